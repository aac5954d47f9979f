#pragma once

#include <array>
#include <cstdio>
#include <string>

namespace qvr::test {

// Validates a written certificate against the schema shipped in tests/data
// with python3-jsonschema; gives its complaints, or "" when it is valid.
inline std::string CertificateErrors(const std::string& path) {
    const std::string source = QVR_SOURCE_DIR;
    const std::string command =
        "python3 '" + source + "/tests/report/validate_certificate.py' '" + source +
        "/tests/data/iea43/iea43_digital_calibration_certificate.schema.json' '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "could not run python3";
    std::string out;
    std::array<char, 512> buffer{};
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        out.append(buffer.data(), n);
    const int status = pclose(pipe);
    return status == 0 ? std::string() : (out.empty() ? "invalid" : out);
}

} // namespace qvr::test
