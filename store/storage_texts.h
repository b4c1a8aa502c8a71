#pragma once

#include <string>

namespace qarvex {

// Texts shown when the configuration folder lets the program down, each at most once a
// run. Simplified Chinese, like the main-window table.
struct StorageTexts {
    std::string TextCannotSave;    // "%s": the configuration folder
    std::string TextFileTooLarge;  // "%s": the names of the files
};

const StorageTexts& StorageTable();

}  // namespace qarvex
