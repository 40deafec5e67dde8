// IHabitabSettings: the hook through which the habitab list is loaded from
// and saved to VORLANE.INI ("# of Habitabs" in section "General" and the
// sections "Habitab %02d Settings"). The display module implements it;
// until it is installed (VorlaneApp's AppServices) habitabs are neither
// read nor written.
//
// Both calls work on the settings file the application object holds open
// for the step, so a save of the habitabs is part of the one rewrite of
// the file at exit.
#pragma once

namespace vorlane::platform {
class ProfileFile;
}

namespace vorlane::app {

class IHabitabSettings {
  public:
    virtual ~IHabitabSettings() = default;
    virtual void Load(const platform::ProfileFile& settings) = 0;
    // Writes memory only; the application flushes.
    virtual void Save(platform::ProfileFile& settings) = 0;
};

} // namespace vorlane::app
