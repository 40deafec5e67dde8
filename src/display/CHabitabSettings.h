// CHabitabSettings: the application's habitab hook (app::IHabitabSettings)
// over the one CHabitabArray of the run. The front end makes one, installs
// it in the application's services (the habitabs load at start-up and save
// at exit and whenever the HabiTabs dialog changed them) and hands its
// array to the windows and the dialog.
//
// Filename conditions may name file sets, which live in the object
// database: the file set source is asked for a lookup each time the list
// is loaded (it may give none, and then set names expand to nothing).
//
// One thread (the GUI's).
#pragma once

#include "app/IHabitabSettings.h"
#include "display/CHabitabArray.h"

#include <functional>
#include <memory>

namespace vorlane::display {

class CHabitabSettings : public app::IHabitabSettings {
  public:
    using FileSetSource = std::function<std::unique_ptr<search::CFileSetLookup>()>;

    explicit CHabitabSettings(FileSetSource sets = {}) : m_sets(std::move(sets)) {}

    CHabitabArray& Array() { return m_array; }
    const CHabitabArray& Array() const { return m_array; }

    void Load(const platform::ProfileFile& settings) override;
    void Save(platform::ProfileFile& settings) override;

  private:
    FileSetSource m_sets;
    CHabitabArray m_array;
};

} // namespace vorlane::display
