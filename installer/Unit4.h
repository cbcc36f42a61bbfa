// The destination page: proposes the folder the add-on goes into, from the
// simulator's folder in the registry and the package's type and title; the
// user may type or browse another.
#pragma once

#include <string>

#include "installer/WizardPage.h"
#include "installer/ui/StandardControls.h"

namespace tavrix::installer {

class TForm4 : public NavigationPage {
public:
    TForm4();
    ~TForm4() override;

    void Image3Click() override;  // Next >>
    void Image4Click() override;  // << Back
    void Edit1Change();
    void Button1Click();  // Browse

    std::string DestinationFolder;
    std::string AddonTitle;
    std::string SimulatorVersion;
    std::string AddonType;

    ui::Label Label7{*this,
                     {.left = 128, .top = 24, .text = "Choose Destination Location", .font = headingFont()}};
    ui::Label Label4{
        *this, {.left = 128, .top = 64, .text = "Setup will install this Tavrix in the following folder."}};
    ui::Label Label8{
        *this,
        {.left = 128,
         .top = 88,
         .width = 265,
         .height = 26,
         .text = "To install into a different folder, click Browse, and select \r\nanother folder. ",
         .wordWrap = true}};
    ui::Label Label6{*this, {.left = 128, .top = 136, .text = "Directory:"}};
    ui::Bevel Border{*this, 128, 152, 257, 21, ui::BevelShape::LoweredBox};
    ui::Edit Edit1{*this, 131, 156, 250, 13};
    ui::FlatButton Button1;

protected:
    void FormShow() override;

private:
    void showProposal(const std::string& folder);
};

extern TForm4* Form4;

// Creates a folder with every missing parent; the outcome of each creation
// is not examined beyond counting the folders made (into `made`). False,
// creating nothing, for an empty text or a relative name with no parent.
bool MakeFolderPath(const std::string& folder, int* made = nullptr);

// The folder of the simulator a package names, from the registry; "" when
// it is not known.
std::string simulatorFolderOf(const std::string& version);

}  // namespace tavrix::installer
