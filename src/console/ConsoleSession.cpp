#include "console/ConsoleSession.h"

#include "app/AppSettings.h"
#include "command/CCommandArgument.h"
#include "command/CCommandLine.h"
#include "command/CommandHelp.h"
#include "console/ConsoleDirectory.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/Drives.h"
#include "platform/Profile.h"
#include "ui/Job.h"
#include "ui/UserInterface.h"

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <unistd.h>

namespace vorlane::console {

namespace {

std::string UpperWord(const std::string& line, std::string* rest) {
    size_t b = line.find_first_not_of(" \t\r");
    if (b == std::string::npos) {
        rest->clear();
        return "";
    }
    size_t e = line.find_first_of(" \t\r", b);
    std::string word = line.substr(b, e == std::string::npos ? std::string::npos : e - b);
    for (char& c : word)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    size_t r = e == std::string::npos ? std::string::npos : line.find_first_not_of(" \t\r", e);
    *rest = r == std::string::npos ? "" : line.substr(r);
    return word;
}

// One line of help per command.
const char* CommandUsage(command::CommandId id) {
    switch (id) {
    case command::CommandId::Attrib:
        return "ATTRIB +r|-r|+h|-h|+s|-s|+a|-a FILES      change attributes";
    case command::CommandId::Chdir:
        return "CD DIRECTORY (also CHDIR)                  change the working directory";
    case command::CommandId::Copy:
        return "COPY SOURCE TARGET [/n /t /p /s /zp /zrp]  copy files or a directory";
    case command::CommandId::Delete:
        return "DEL FILES [/p /y /z /r] (also ERASE)       delete files";
    case command::CommandId::Describe:
        return "DESCRIBE FILE \"TEXT\"                      set a 4DOS description";
    case command::CommandId::Dir:
        return "DIR DIRECTORY|PATTERN                      list a directory";
    case command::CommandId::Label:
        return "LABEL DRIVE LABEL                          set a volume label";
    case command::CommandId::Mkdir:
        return "MD PATH (also MKDIR; PATH.ZIP: a zip file)  make a directory";
    case command::CommandId::Move:
        return "MOVE SOURCE TARGET [/n /t /p /s]           move files or a directory";
    case command::CommandId::Rename:
        return "REN FILES NEWNAME (also RENAME)            rename";
    case command::CommandId::Rmdir:
        return "RD DIRECTORY [/p /y /z] (also RMDIR)       remove a directory tree";
    case command::CommandId::Touch:
        return "TOUCH FILES                                set the date and time to now";
    case command::CommandId::ZipToExe:
        return "ZIPTOEXE ZIPFILE                           make a self-extracting program";
    }
    return "";
}

// The application speaks through the console's interface.
app::AppServices WithUi(app::AppServices services, ui::UserInterface& ui) {
    services.ui = &ui;
    return services;
}

} // namespace

ConsoleSession::ConsoleSession(std::istream& in, std::ostream& out, std::ostream& err,
                               bool progressBars, app::AppServices services, ConsoleOptions options)
    : m_out(out), m_options(options), m_ui(in, out, err, progressBars), m_yesUi(m_ui, out),
      m_app(WithUi(std::move(services), m_ui)) {}

bool ConsoleSession::RunCopy(const fileops::CCopyParameters& parameters, ui::ChangeSink* notices) {
    ui::ChangeFanOut both;
    both.Subscribe([this](const ui::ChangeNotice& notice) { m_thumbnails.Notify(notice); });
    if (notices)
        both.Subscribe([notices](const ui::ChangeNotice& notice) { notices->Notify(notice); });
    ui::OperationContext context = m_app.MakeContext(m_ui, &both);
    fileops::CCopyJob job(parameters);
    ui::RunJobNow(job, context);
    m_thumbnails.Apply();
    return job.Outcome().completed;
}

int ConsoleSession::Run() {
    ui::ScopedUserInterface installed(&m_ui);
    if (!m_app.Start(*this, *this, false))
        return m_app.ExitCode();
    ChooseStartDirectory();
    bool failed = false;
    for (;;) {
        m_out << m_directory << "> " << std::flush;
        std::string line;
        if (!m_ui.ReadLine(&line)) {
            m_out << '\n';
            m_app.CloseQuery(*this, false);
            break;
        }
        if (!Execute(line))
            break;
        if (m_failed && m_options.batch) {
            failed = true;
            if (!m_options.keepGoing) {
                m_out << "The batch stops at the line that failed.\n" << std::flush;
                m_app.CloseQuery(*this, false);
                break;
            }
        }
    }
    int code = m_app.Shutdown(*this);
    return failed && code == 0 ? 1 : code;
}

int ConsoleSession::RunOneLine(const std::string& line) {
    ui::ScopedUserInterface installed(&m_ui);
    m_quiet = true;
    if (!m_app.Start(*this, *this, true))
        return m_app.ExitCode();
    ChooseStartDirectory();
    Execute(line);
    m_out << std::flush;
    m_app.CloseQuery(*this, false);
    int code = m_app.Shutdown(*this);
    return m_failed && code == 0 ? 1 : code;
}

void ConsoleSession::ChooseStartDirectory() {
    const platform::DriveMap& drives = *m_app.Drives();
    char cwd[4096];
    std::string dos;
    if (::getcwd(cwd, sizeof cwd) && platform::HostToDos(cwd, &dos, nullptr, drives)) {
        m_directory = platform::NormalizeDosPath(dos);
        return;
    }
    std::vector<char> letters = drives.Letters();
    char letter = letters.empty() ? 'C' : letters.front();
    if (std::find(letters.begin(), letters.end(), 'C') != letters.end())
        letter = 'C';
    m_directory = std::string(1, letter) + ":\\";
}

ui::OperationContext ConsoleSession::Context() {
    ui::UserInterface& ui = m_options.yesToAll ? static_cast<ui::UserInterface&>(m_yesUi) : m_ui;
    ui::OperationContext context = m_app.MakeContext(ui, &m_thumbnails);
    context.currentDirectory = m_directory;
    return context;
}

ui::JobResult ConsoleSession::RunJob(ui::Job& job, ui::OperationContext& context) {
    InterruptScope interrupts;
    InterruptScope::SetCancelFlag(context.CancelFlag().get());
    ui::JobResult result = ui::RunJobNow(job, context);
    InterruptScope::SetCancelFlag(nullptr);
    m_thumbnails.Apply();
    return result;
}

std::vector<std::string> ConsoleSession::GroupFiles(int group) {
    // No window: nothing is tagged, and there is no caret file.
    std::vector<std::string> names;
    if (group == 1 || group == 3)
        command::ExpandWildcard(m_directory, "*.*", *m_app.Drives(), &names);
    return names;
}

bool ConsoleSession::ChangeDirectory(const std::string& dosDirectory) {
    m_directory = platform::NormalizeDosPath(dosDirectory);
    return true;
}

bool ConsoleSession::ShowDirectory(const std::string& dosDirectory, const std::string& pattern) {
    bool ok = PrintDirectory(m_out, dosDirectory, pattern, *m_app.Drives());
    m_out << std::flush;
    return ok;
}

void ConsoleSession::SwitchDrive(char letter) {
    m_directory = std::string(1, letter) + ":\\";
}

void ConsoleSession::ShowHelp(int helpContext) {
    for (const command::CommandEntry& entry : command::CommandTable())
        if (entry.helpContext == helpContext) {
            m_out << command::CommandHelpText(entry.id) << std::flush;
            return;
        }
}

bool ConsoleSession::ConfirmDangerous(const std::string& text, const std::string& caption) {
    // Asked on the terminal even under --yes.
    return m_ui.AskYesNo(text, caption);
}

int ConsoleSession::ReadSettingInt(const std::string& section, const std::string& key, int def) {
    return m_app.ReadInt(section, key, def);
}

std::string ConsoleSession::ReadSettingString(const std::string& section, const std::string& key) {
    return m_app.ReadString(section, key);
}

bool ConsoleSession::Execute(const std::string& line) {
    std::string rest;
    std::string command = UpperWord(line, &rest);
    m_failed = false;
    if (command.empty())
        return true;
    if (command == "EXIT" || command == "QUIT") {
        if (m_app.CloseQuery(*this))
            return false;
        // Declined; when the answer was the end of input, nobody is left to
        // ask again.
        if (m_ui.AtEnd()) {
            m_app.CloseQuery(*this, false);
            return false;
        }
        return true;
    }
    if (command == "HELP" || command == "?")
        PrintHelp();
    else if (command == "VERSION")
        m_out << m_app.Name() << ' ' << m_app.Version() << '\n';
    else if (command == "DRIVES")
        PrintDrives();
    else if (command == "SET")
        PrintSettings();
    else {
        InterruptScope interrupts;
        command::CCommandLine commandLine(*this);
        m_failed = !commandLine.Execute(line);
        // What the line did outside a job (a touch, a description) too.
        m_thumbnails.Apply();
    }
    m_out << std::flush;
    return true;
}

void ConsoleSession::PrintHelp() {
    m_out << "Commands:\n"
             "  DRIVES    list the drives with their types, labels and host directories\n"
             "  SET       show the settings as they are saved at exit\n"
             "  VERSION   show the version\n"
             "  HELP      show this list\n"
             "  EXIT      leave Vorlane (also QUIT, or the end of input)\n"
             "File commands (COMMAND /? shows one):\n";
    for (command::CommandId id :
         {command::CommandId::Attrib, command::CommandId::Chdir, command::CommandId::Copy,
          command::CommandId::Delete, command::CommandId::Describe, command::CommandId::Dir,
          command::CommandId::Label, command::CommandId::Mkdir, command::CommandId::Move,
          command::CommandId::Rename, command::CommandId::Rmdir, command::CommandId::Touch,
          command::CommandId::ZipToExe})
        m_out << "  " << CommandUsage(id) << '\n';
    m_out << "A drive (D:) switches to that drive; any other word starts that program\n"
             "or opens that document with the rest of the line as its arguments.\n";
}

void ConsoleSession::PrintDrives() {
    const app::AppSettings& s = m_app.Settings();
    bool any = false;
    for (const app::CDriveType& cached : m_app.DriveTypes()) {
        if (!cached.Exists())
            continue;
        any = true;
        // The table holds no labels; read them now.
        app::CDriveType drive(cached.Letter(), true);
        int i = drive.Letter() - 'A';
        bool shown = i >= 0 && i < 26 && s.shownDrives[i] != '.';
        std::string label = drive.VolumeLabel().empty() ? "" : "[" + drive.VolumeLabel() + "]";
        m_out << static_cast<char>(drive.Letter()) << ":  " << std::left << std::setw(11)
              << drive.TypeName() << std::setw(18) << label << std::setw(7)
              << (shown ? "shown" : "hidden")
              << platform::DriveMap::Current()->Root(static_cast<char>(drive.Letter())) << '\n'
              << std::right;
    }
    if (!any)
        m_out << "No drives are mapped.\n";
}

void ConsoleSession::PrintSettings() {
    platform::ProfileFile view;
    app::WriteAppSettings(view, m_app.Settings(), nullptr);
    m_out << view.Text();
    const app::AppSettings& s = m_app.Settings();
    m_out << "; thumbnails " << s.thumbnailWidth << 'x' << s.thumbnailHeight << ", types";
    for (int32_t t : s.thumbnailTypes)
        m_out << ' ' << t;
    m_out << '\n';
}

void ConsoleSession::Create(const platform::ProfileFile& settings) {
    m_frame = app::FrameSettings::Read(settings);
}

void ConsoleSession::ShowStartupNotice(const std::string& name, const std::string& version,
                                       const std::string& problem) {
    if (m_quiet) {
        if (!problem.empty())
            m_out << problem << '\n' << std::flush;
        return;
    }
    m_out << name << ' ' << version << " (console). Type HELP for the commands, EXIT to leave.\n";
    if (!problem.empty())
        m_out << problem << '\n';
    m_out << std::flush;
}

void ConsoleSession::CleanUp(platform::ProfileFile& settings) {
    m_frame.Write(settings);
}

void ConsoleSession::NotAvailable(const char* what) {
    m_out << "The start-up action (" << what
          << ") needs the windowed front end; the console skips it.\n";
}

void ConsoleSession::ShowLogDriveDialog() {
    NotAvailable("Log Drive dialog");
}
void ConsoleSession::LogCurrentDrive() {
    NotAvailable("log the current drive");
}
void ConsoleSession::NewArchive() {
    NotAvailable("New Archive");
}
void ConsoleSession::OpenArchive() {
    NotAvailable("Open Archive");
}

} // namespace vorlane::console
