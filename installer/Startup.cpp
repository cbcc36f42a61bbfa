#include "installer/Startup.h"

#include <type_traits>

#include "installer/Build4.h"
#include "installer/Installation.h"
#include "installer/InstallerName.h"
#include "installer/PackageFiles.h"
#include "installer/UninstallPage.h"
#include "installer/Unit1.h"
#include "installer/Unit2.h"
#include "installer/Unit3.h"
#include "installer/Unit4.h"
#include "installer/Unit5.h"
#include "installer/Unit6.h"
#include "installer/Unit7.h"
#include "installer/Unit8.h"
#include "installer/ui/Application.h"

namespace tavrix::installer {

namespace {

// Creates a window and names it, only once it is complete: a window that
// came out of its construction broken (already reported) leaves no name.
template <typename FormType>
bool create(FormType*& name) {
    FormType* form = ui::Application::instance().createForm<FormType>();
    if constexpr (std::is_base_of_v<SkinnedForm, FormType>)
        if (form->broken()) return false;
    name = form;
    return true;
}

}  // namespace

bool createInstallerWindows() {
    currentInstallation() = Installation();
    if (!(create(Form1) && create(Form2) && create(Form3) && create(Form4) && create(Form5) &&
          create(Form6) && create(Form7) && create(About) && create(Form8)))
        return false;
    currentInstallation().keepUninstaller();
    return true;
}

bool createUninstallerWindows() {
    return create(Form1) && create(UninstallPage) && create(About);
}

int runInstaller(const std::string& folder) {
    ui::Application& application = ui::Application::instance();
    application.setTitle(kInstallerName);
    setProgramFolder(folder);
    if (startedAsUninstaller(folder) ? createUninstallerWindows() : createInstallerWindows())
        application.run();
    // Every window goes, each releasing its own hold on the skin library.
    application.destroyForms();
    return 0;
}

}  // namespace tavrix::installer
