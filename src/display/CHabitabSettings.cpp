#include "display/CHabitabSettings.h"

namespace vorlane::display {

void CHabitabSettings::Load(const platform::ProfileFile& settings) {
    std::unique_ptr<search::CFileSetLookup> sets = m_sets ? m_sets() : nullptr;
    m_array.Load(settings, sets.get());
}

void CHabitabSettings::Save(platform::ProfileFile& settings) {
    m_array.Save(settings);
}

} // namespace vorlane::display
