// The status window of the benchmark programs: takes everything a status
// window would show (as the drivers run an operation), draws nothing and
// never cancels, so a measurement includes the cost of the updates.
#pragma once

#include "ui/UserInterface.h"

#include <string>

namespace vorlane::bench {

class CountingStatus : public ui::StatusWindow {
  public:
    void SetCurrentMessage(const std::string&) override { ++calls; }
    void SetCurrentPercent(int) override { ++calls; }
    void SetOverallLabel(const std::string&) override { ++calls; }
    void SetOverallPercent(int) override { ++calls; }
    bool Cancelled() override {
        ++calls;
        return false;
    }
    long calls = 0;
};

} // namespace vorlane::bench
