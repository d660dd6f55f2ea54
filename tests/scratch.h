#pragma once
// Files and text for the tests: a fresh directory per test, whole files read
// and written in one call, text split into lines.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace scratch {

namespace fs = std::filesystem;

// Every scratch directory lies in this one, removed when the program ends;
// each test program, run at the same time as others, has its own.
inline const struct Root {
    fs::path path = fs::path(::testing::TempDir()) /
                    ("satphase-tests-" + std::to_string(std::random_device{}()));
    ~Root() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
} root;

// A fresh, empty directory named after the running test and `part`.
inline fs::path directory(const std::string& part = "") {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path path = root.path / (std::string(test->name()) + part);
    fs::remove_all(path);
    fs::create_directories(path);
    return path;
}

inline std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

// The names in `folder`, sorted.
inline std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

}  // namespace scratch
