#include "installer/WizardPage.h"

#include "installer/Unit1.h"

namespace tavrix::installer {

WizardPage::WizardPage(const char* className, int clientWidth, int clientHeight)
    : SkinnedForm(
          pageDesign(className, clientWidth, clientHeight, Form1 ? Form1->Panel2.handle() : nullptr)) {}

void ShowPage(WizardPage& page) {
    page.embedIn(Form1->Panel2);
    page.show();
}

void WizardPage::cancelFrom(ui::Image& cancelImage) {
    Released(cancelImage);
    Form1->Close1Click();
}

}  // namespace tavrix::installer

namespace tavrix::installer {

NavigationPage::NavigationPage(const char* className, int clientWidth, int clientHeight)
    : WizardPage(className, clientWidth, clientHeight) {
    bindImageButton(Image2, Label2, {.click = [this] { Image2Click(); }});
    bindImageButton(Image4, Label3, {.click = [this] { Image4Click(); }});
    bindImageButton(Image3, Label1, {.click = [this] { Image3Click(); }});
    keyboard.defaultButton = &Image3;
    keyboard.cancelButton = &Image2;
}

void NavigationPage::loadFrameBitmaps() {
    loadBackground();
    Released(Image2);
    Released(Image3);
    Released(Image4);
    loadSidePicture();
}

}  // namespace tavrix::installer
