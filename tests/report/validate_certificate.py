#!/usr/bin/env python3
"""Validates a certificate against the shipped schema (draft-07, with formats).

Usage: validate_certificate.py SCHEMA CERTIFICATE
Prints each error on a line of its own and exits 1 when there are any.
"""
import json
import sys

import jsonschema


def main() -> int:
    with open(sys.argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    with open(sys.argv[2], encoding="utf-8") as f:
        certificate = json.load(f)
    validator = jsonschema.Draft7Validator(schema, format_checker=jsonschema.FormatChecker())
    errors = sorted(validator.iter_errors(certificate), key=lambda e: list(e.path))
    for e in errors:
        print("/".join(str(p) for p in e.path) + ": " + e.message)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
