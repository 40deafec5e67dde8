#include "console/ConsoleSession.h"

#include "app/AppSettings.h"
#include "platform/Drives.h"
#include "platform/Profile.h"
#include "ui/Job.h"
#include "ui/UserInterface.h"

#include <iomanip>
#include <iostream>

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

// The application speaks through the console's interface.
app::AppServices WithUi(app::AppServices services, ui::UserInterface& ui) {
    services.ui = &ui;
    return services;
}

} // namespace

ConsoleSession::ConsoleSession(std::istream& in, std::ostream& out, std::ostream& err,
                               bool progressBars, app::AppServices services)
    : m_out(out), m_ui(in, out, err, progressBars), m_app(WithUi(std::move(services), m_ui)) {}

bool ConsoleSession::RunCopy(const fileops::CCopyParameters& parameters, ui::ChangeSink* notices) {
    ui::OperationContext context = m_app.MakeContext(m_ui, notices);
    fileops::CCopyJob job(parameters);
    ui::RunJobNow(job, context);
    return job.Outcome().completed;
}

int ConsoleSession::Run() {
    ui::ScopedUserInterface installed(&m_ui);
    if (!m_app.Start(*this, *this, false))
        return m_app.ExitCode();
    for (;;) {
        m_out << m_app.Name() << "> " << std::flush;
        std::string line;
        if (!m_ui.ReadLine(&line)) {
            m_out << '\n';
            m_app.CloseQuery(*this, false);
            break;
        }
        if (!Execute(line))
            break;
    }
    return m_app.Shutdown(*this);
}

bool ConsoleSession::Execute(const std::string& line) {
    std::string rest;
    std::string command = UpperWord(line, &rest);
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
    else
        m_out << "Unknown command '" << command << "'. Type HELP for the list of commands.\n";
    m_out << std::flush;
    return true;
}

void ConsoleSession::PrintHelp() {
    m_out << "Commands:\n"
             "  DRIVES    list the drives with their types, labels and host directories\n"
             "  SET       show the settings as they are saved at exit\n"
             "  VERSION   show the version\n"
             "  HELP      show this list\n"
             "  EXIT      leave Vorlane (also QUIT, or the end of input)\n";
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
