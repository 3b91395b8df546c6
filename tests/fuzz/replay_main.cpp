// Runs a fuzz target without libFuzzer: each file named on the command line, or every file in a
// folder named there, is passed to the target once, so that any compiler's build replays the
// corpus and the regression files as ordinary tests.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The files to run: a file stands for itself, a folder for its regular files in name order.
std::vector<fs::path> inputsOf(const fs::path& argument) {
    if (!fs::is_directory(argument)) {
        return {argument};
    }
    std::vector<fs::path> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(argument)) {
        if (entry.is_regular_file()) {
            found.push_back(entry.path());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    int ran = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& path : inputsOf(argv[i])) {
            std::ifstream file(path, std::ios::binary);
            if (!file) {
                std::fprintf(stderr, "cannot read %s\n", path.c_str());
                return 2;
            }
            const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(file), {}};
            // Named before it runs, so that a crash shows which input caused it.
            std::fprintf(stderr, "running %s (%zu bytes)\n", path.c_str(), input.size());
            LLVMFuzzerTestOneInput(input.data(), input.size());
            ++ran;
        }
    }
    std::printf("%d inputs ran\n", ran);
    return ran > 0 ? 0 : 1;
}
