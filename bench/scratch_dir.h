#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A scratch folder for a benchmark's files, removed afterwards.
struct Scratch {
    std::filesystem::path path;
    explicit Scratch(const std::string& prefix = "qvr-bench-") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
        path = mkdtemp(pattern.data());
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string Dir() const { return path.string() + "/"; }
};
