#include "Startup.h"

#include "Build4.h"
#include "InstallerName.h"
#include "PackageFiles.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "Unit5.h"
#include "Unit6.h"
#include "Unit7.h"
#include "Unit8.h"
#include "ui/Application.h"

namespace tavrix::installer {

void createInstallerWindows() {
    // A global names its window only once the window is complete: a window
    // whose construction fails leaves no name behind.
    ui::Application& application = ui::Application::instance();
    Form1 = application.createForm<TForm1>();
    Form2 = application.createForm<TForm2>();
    Form3 = application.createForm<TForm3>();
    Form4 = application.createForm<TForm4>();
    Form5 = application.createForm<TForm5>();
    Form6 = application.createForm<TForm6>();
    Form7 = application.createForm<TForm7>();
    About = application.createForm<TAbout>();
    Form8 = application.createForm<TForm8>();
}

int runInstaller(const std::string& folder) {
    ui::Application& application = ui::Application::instance();
    try {
        application.setTitle(kInstallerName);
        setProgramFolder(folder);
        createInstallerWindows();
        application.run();
    } catch (const std::exception& error) {
        application.showError(error.what());
    } catch (...) {
        application.showError("Unexpected error");
    }
    // Every window goes, each releasing its own hold on the skin library.
    application.destroyForms();
    return 0;
}

}  // namespace tavrix::installer
