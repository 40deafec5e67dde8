// Helpers of the file manager window tests: a settings store in memory.
#pragma once

#include "gui/WindowSettings.h"

#include <map>
#include <string>
#include <utility>

namespace vorlane::gui::test {

// Keeps the keys the windows read and write; installed while it lives.
class MemorySettingsStore : public CSettingsStore {
  public:
    MemorySettingsStore() { SetSettingsStore(this); }
    ~MemorySettingsStore() override { SetSettingsStore(nullptr); }
    MemorySettingsStore(const MemorySettingsStore&) = delete;
    MemorySettingsStore& operator=(const MemorySettingsStore&) = delete;

    std::string Read(const std::string& section, const std::string& key) override {
        auto it = values.find({section, key});
        return it == values.end() ? std::string() : it->second;
    }
    void Write(const std::string& section, const std::string& key,
               const std::string& value) override {
        values[{section, key}] = value;
    }

    std::map<std::pair<std::string, std::string>, std::string> values;
};

} // namespace vorlane::gui::test
