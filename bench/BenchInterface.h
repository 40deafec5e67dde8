// The user interface and change sink of the benchmark programs that run a
// driver as a job runs it: every question answered "Yes To All", every
// message printed (and counted: a message fails the run), status windows
// that take every update and draw nothing, change notices counted.
#pragma once

#include "CountingStatus.h"

#include "ui/ChangeNotices.h"
#include "ui/ScriptedUserInterface.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace vorlane::bench {

// The rest (pickers, the wait cursor) is the scripted interface's, never
// reached by the drivers measured.
class YesToAllInterface : public ui::ScriptedUserInterface {
  public:
    ui::Answer Message(const std::string& text, const std::string& caption, ui::Buttons,
                       ui::Icon) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        ++messages;
        return ui::Answer::Ok;
    }
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
    ui::Answer AskYesNoAllCancel(const std::string&, const std::string&) override {
        return ui::Answer::YesToAll;
    }
    std::unique_ptr<ui::StatusWindow> MakeStatusWindow(ui::StatusKind,
                                                       const std::string&) override {
        return std::make_unique<CountingStatus>();
    }

    int messages = 0;
};

class CountingSink : public ui::ChangeSink {
  public:
    void Notify(const ui::ChangeNotice&) override { ++notices; }
    long notices = 0;
};

// The absolute form of a host directory given on the command line.
inline std::string Absolute(const std::string& dir) {
    char* real = ::realpath(dir.c_str(), nullptr);
    std::string result = real ? real : dir;
    std::free(real);
    return result;
}

} // namespace vorlane::bench
