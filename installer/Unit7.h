// The completion page: tells the user the add-on is installed, leaves the
// information file Ostrel.txt in the destination folder, and Finish ends
// the program.
#pragma once

#include <string>
#include <vector>

#include "installer/ExtractionReport.h"
#include "installer/WizardPage.h"

namespace tavrix::installer {

class TForm7 : public WizardPage {
public:
    TForm7();
    ~TForm7() override;

    void Image2Click();  // Finish
    void Timer1Timer();
    // How many files of the package are not in the destination folder: any
    // turns the page's success text into the incomplete one.
    void setMissingFiles(int count);
    int missingFiles() const { return missingFiles_; }

    std::string AuthorName1, AuthorMail1, AuthorName2, AuthorMail2, AuthorName3, AuthorMail3;
    std::string AddonTitle;
    std::string AddonType;
    std::vector<std::string> InfoLines;

    ui::Label Label5{*this, {.left = 128, .top = 24, .text = kCompleteHeading, .font = headingFont()}};
    ui::Label Label1{*this, {.left = 128, .top = 80, .font = boldFont()}};
    ui::Label Label6{
        *this,
        {.left = 128, .top = 96, .width = 264, .height = 26, .text = kInstalledSentence, .wordWrap = true}};
    // Where the add-on's uninstaller lies.
    ui::Label Label7{*this, {.left = 128, .top = 136, .width = 264, .height = 39, .wordWrap = true}};
    // What was added to the simulator's lists, or what to add by hand.
    ui::Label Label8{*this, {.left = 128, .top = 184, .width = 264, .height = 72, .wordWrap = true}};
    ui::Image Image2{*this, 344, 264, 64, 25};
    ui::Label Label2{*this, {.left = 363, .top = 270, .text = "Finish", .accelerator = 'F'}};
    ui::Timer Timer1{*this, 500, [this] { Timer1Timer(); }};

protected:
    void FormShow() override;

private:
    int missingFiles_ = 0;
};

extern TForm7* Form7;

}  // namespace tavrix::installer
