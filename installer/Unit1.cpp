#include "installer/Unit1.h"

#include "common/win32/MessageBoxSeam.h"
#include "common/win32/PathExists.h"
#include "installer/Build4.h"
#include "installer/InstallerName.h"
#include "installer/PackageFiles.h"
#include "installer/TextLines.h"
#include "installer/UninstallPage.h"
#include "installer/Unit2.h"
#include "installer/Unit3.h"
#include "installer/Unit4.h"
#include "installer/Unit5.h"
#include "installer/Unit6.h"
#include "installer/Unit7.h"
#include "installer/Unit8.h"
#include "installer/ui/Application.h"

namespace tavrix::installer {

TForm1* Form1 = nullptr;

namespace {

constexpr WPARAM kMoveByCaption = SC_MOVE | HTCAPTION;  // 0xF012

ui::FormDesign mainDesign() {
    ui::FormDesign design;
    design.className = kInstallerName;
    // A fixed dialog whose system caption is replaced by the drawn title bar:
    // WS_DLGFRAME off (thin border only), WS_POPUP on.
    design.style = (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX) & ~WS_DLGFRAME;
    design.style |= WS_POPUP;
    design.clientWidth = 421;
    design.clientHeight = 326;
    design.centred = true;
    design.caption = kInstallerName;
    return design;
}

}  // namespace

TForm1::TForm1()
    : SkinnedForm(mainDesign()), Close1(Panel1, 398, 2, 23, 22, programBitmap(kCloseGlyph), "Close") {
    for (ui::GraphicControl* dragArea :
         {static_cast<ui::GraphicControl*>(&Image1), static_cast<ui::GraphicControl*>(&Image5),
          static_cast<ui::GraphicControl*>(&Label1)})
        dragArea->onMouseDown = [this](ui::MouseButton button, int, int) { Panel1MouseDown(button); };
    Panel1.onMouseDown = [this](ui::MouseButton button, int, int) { Panel1MouseDown(button); };
    Close1.onClick = [this] { Close1Click(); };
    // Tab runs through the text, then the buttons from left to right.
    keyboard.addControl(Memo1);
    bindImageButton(Image6, Label5, {.click = [this] { Image6Click(); }});
    bindImageButton(Image3, Label3, {.click = [this] { Image3Click(); }});
    bindImageButton(Image4, Label2, {.click = [this] { Close1Click(); }});
    keyboard.defaultButton = &Image3;
    keyboard.cancelButton = &Image4;
    PopupMenu1.addItem(kAboutInstallerCaption, [this] { About1Click(); });
    popupMenu = &PopupMenu1;

    if (!loadSkinLibrary("Morvane Setup")) return;
    loadSkinBitmap(Image1, "top");
    loadSkinBitmap(Image2, "QForm");
    loadSkinBitmap(Image3, kReleasedFace);
    loadSkinBitmap(Image4, kReleasedFace);
    loadSkinBitmap(Image5, "Aircraft");
    loadSkinBitmap(Image6, kReleasedFace);

    PackageDescription package;
    SplashFile = package.read("Splash", "Filename", SplashFile);
    Label6.setText(package.read("Addon", "Condition", Label6.text()));
}

TForm1::~TForm1() {
    Form1 = nullptr;
}

void TForm1::FormShow() {
    if (UninstallPage) return ShowPage(*UninstallPage);
    const std::string folder = programFolder();
    if (!win32::fileExists(packageArchive(folder))) {
        win32::showMessageBox(nullptr, "This is not part of a Setup Package.", kInstallerName,
                              MB_OK | MB_ICONWARNING);
        ui::Application::instance().terminate();
    }
    // A picture or text that will not load is reported, and the rest of the
    // show steps are skipped: the wizard stays usable.
    if (!SplashFile.empty()) {
        TextResult<ui::Picture> splash = ui::Picture::fromFile(folder + SplashFile);
        if (!splash) return failShow(splash.failure());
        Form8->Image1.setPicture(std::move(*splash));
        Form8->setSize(Form8->Image1.width(), Form8->Image1.height());
        Form8->showModal();
    }
    if (win32::fileExists(folder + "licens.qzt")) {
        const TextResult<std::string> agreement = readWholeFile(folder + "licens.qzt");
        if (!agreement) return failShow(agreement.failure());
        Memo1.setLines(splitLines(*agreement));
    } else {
        Form3->Image6.setVisible(true);
        Form3->Label8.setVisible(true);
        Image3Click();
    }
}

void TForm1::Close1Click() {
    Released(Image4);
    // The uninstaller asks before it removes anything, and cannot be
    // stopped halfway.
    if (UninstallPage) return UninstallPage->quit();
    if (!ConfirmQuit("WARNING: The installation has not been completed.\nAre you sure you want to quit?"))
        return;
    // The question may be asked from inside a running extraction (the
    // component pumps messages in its callback): the engine stops at its
    // next chunk, and the termination takes effect once Extract has
    // returned to the message loop, so nothing is destroyed under it.
    if (Form6) Form6->stopExtraction();
    close();
}

ui::Form* TForm1::keyboardTarget() {
    for (ui::Form* page : std::initializer_list<ui::Form*>{Form3, Form4, Form5, Form6, Form7, UninstallPage})
        if (page && page->showing()) return page;
    return this;
}

void TForm1::Panel1MouseDown(ui::MouseButton button) {
    if (button != ui::MouseButton::Left) return;
    // The system's own move loop drags the window, as if by its caption.
    ::ReleaseCapture();
    ::SendMessageA(handle(), WM_SYSCOMMAND, kMoveByCaption, 0);
}

void TForm1::Image3Click() {
    ShowPage(*Form3);
}

void TForm1::Image6Click() {
    // The release arrives only after the dialog has closed.
    Released(Image6);
    if (Form2) Form2->showModal();  // (none in the uninstaller)
}

void TForm1::About1Click() {
    About->show();
}

bool ConfirmQuit(const std::string& text) {
    return win32::showMessageBox(nullptr, text, kInstallerName, MB_YESNO | MB_ICONWARNING) == IDYES;
}

}  // namespace tavrix::installer
