#include "catalogue/CatalogueServices.h"

#include "app/VorlaneApp.h"

namespace vorlane::catalogue {

CCatalogueOptions CCatalogueEnvironment::Options() const {
    if (m_options)
        return *m_options;
    CCatalogueOptions options;
    if (const app::VorlaneApp* application = app::VorlaneApp::Current()) {
        options.preserveTags = application->Settings().preserveTags;
        options.fourDosDescriptions = application->Settings().fourDosDescriptions;
    }
    return options;
}

CCatalogueView& CCatalogueEnvironment::View() const {
    static CCatalogueView silent;
    return view ? *view : silent;
}

} // namespace vorlane::catalogue
