#include "installer/Unit2.h"

#include "installer/PackageFiles.h"
#include "installer/ui/Application.h"
#include "installer/ui/ShellSeam.h"

namespace tavrix::installer {

TForm2* Form2 = nullptr;

ui::FormDesign fixedDialogDesign(const char* className, const char* caption, int clientWidth,
                                 int clientHeight, ui::Font font) {
    ui::FormDesign design;
    design.className = className;
    design.style = ((WS_CAPTION | WS_SYSMENU) & ~WS_DLGFRAME) | WS_POPUP;
    design.clientWidth = clientWidth;
    design.clientHeight = clientHeight;
    design.centred = true;
    design.font = std::move(font);
    design.caption = caption;
    return design;
}

HCURSOR installHandCursor() {
    HCURSOR hand = ::LoadCursorA(::GetModuleHandleA(nullptr), "hacursor");
    ui::Application::instance().setCursor(kHandCursor, hand);
    return hand;
}

void openMail(const std::string& address) {
    ui::shellExecute({::GetDesktopWindow(), "open", "MailTo:" + address, {}, {}, SW_HIDE});
}

TForm2::TForm2()
    : SkinnedForm(fixedDialogDesign("Morvane Setup", "Author(s)", 387, 227, ui::Font::points("Arial", 8))),
      Close1(Panel1, 363, 2, 23, 22, programBitmap(kCloseGlyph), "Close") {
    Close1.onClick = [this] { Close1Click(); };
    bindImageButton(Image3, Label2, {.click = [this] { Close1Click(); }});
    keyboard.defaultButton = &Image3;
    keyboard.cancelButton = &Image3;

    struct Author {
        ui::Label& name;
        ui::Label& mail;
    };
    for (Author author : {Author{Label3, Label4}, Author{Label5, Label6}, Author{Label7, Label8}}) {
        ui::Label* mail = &author.mail;
        mail->onMouseMove = [mail](int, int) { mail->setColor(ui::kNavy); };
        mail->onClick = [this, mail] { mailTo(*mail); };
        author.name.onMouseMove = [mail](int, int) { mail->setColor(ui::kBlack); };
    }
    Image2.onMouseMove = [this](int, int) {
        for (ui::Label* mail : {&Label4, &Label6, &Label8}) mail->setColor(ui::kBlack);
    };

    if (!loadSkinLibrary("Morvane Setup")) return;
    loadSkinBitmap(Image1, "top");
    loadSkinBitmap(Image2, "QForm");
    loadSkinBitmap(Image3, kReleasedFace);
    loadSkinBitmap(Image4, "Author");
    loadSkinBitmap(Image5, "Aircraft");
}

TForm2::~TForm2() {
    Form2 = nullptr;
}

void TForm2::FormShow() {
    PackageDescription package;
    AuthorMail1 = package.read("Authors", "1", AuthorMail1);
    AuthorName1 = package.read("Authors", "2", AuthorName1);
    AuthorMail2 = package.read("Authors", "3", AuthorMail2);
    AuthorName2 = package.read("Authors", "4", AuthorName2);
    AuthorMail3 = package.read("Authors", "5", AuthorMail3);
    AuthorName3 = package.read("Authors", "6", AuthorName3);

    HCURSOR hand = installHandCursor();
    Label3.setText(AuthorName1);
    Label4.setText(AuthorMail1);
    Label4.cursor = hand;
    Label5.setText(AuthorName2);
    Label6.setText(AuthorMail2);
    Label6.cursor = hand;
    Label7.setText(AuthorName3);
    Label8.setText(AuthorMail3);
    Label8.cursor = hand;
}

void TForm2::mailTo(const ui::Label& link) const {
    openMail(link.text());
}

}  // namespace tavrix::installer
