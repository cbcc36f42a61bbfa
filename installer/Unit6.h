// The installation page: extracts the package archive into the destination
// folder, shows the progress of the file and of the whole package, and
// opens the completion page once the engine has reached the end of the
// batch. A confirmed quit takes back what the installation did.
#pragma once

#include <cstdint>
#include <string>

#include "archive/ArchiveBuilder.h"
#include "installer/ExtractionProgress.h"
#include "installer/ExtractionReport.h"
#include "installer/WizardPage.h"
#include "installer/ui/StandardControls.h"

namespace tavrix::installer {

class Installation;

class TForm6 : public WizardPage {
public:
    TForm6();
    ~TForm6() override;

    void Image2Click() { cancelFrom(Image2); }
    void Timer1Timer();
    void ArchiveBuilder1Progress(archive::TArchiveBuilder* sender, archive::ProgressType type,
                                 const std::string& fileName, long fileSize);
    void ArchiveBuilder1Message(archive::TArchiveBuilder* sender, int errCode, const std::string& message);

    // A confirmed quit: a running extraction stops at the engine's next
    // chunk, keeping the files it completed.
    void stopExtraction();

    ui::Label Label5{*this, {.left = 128, .top = 24, .text = "Installing...", .font = headingFont()}};
    ui::Label Label6{*this,
                     {.left = 128, .top = 80, .text = "Please wait while the files are being installed."}};
    ui::Label Label4{*this, {.left = 128, .top = 144, .text = "Progress"}};
    ui::ProgressBar ProgressBar2{*this, 128, 160, 273, 16, kBarMinimum, kBarMaximum};  // whole package
    ui::ProgressBar ProgressBar1{*this, 128, 184, 273, 16, kBarMinimum, kBarMaximum};  // current file
    ui::Image Image2{*this, 344, 264, 64, 25};
    ui::Label Label2{*this, {.left = 361, .top = 270, .text = "Cancel", .accelerator = 'C'}};
    ui::Timer Timer1{*this, 100, [this] { Timer1Timer(); }};
    archive::TArchiveBuilder ArchiveBuilder1;

protected:
    void FormShow() override;

private:
    // Tells the user about files the engine did not write, before the
    // completion page follows.
    void reportExtractionProblems();
    void showWarning(const std::string& text) const;
    // The engine's last message about a file it could not write (else its
    // last message at all).
    std::string lastFailure() const;
    // Files the engine reported as failed (a file it kept is in place).
    int failedFiles() const;
    // Whether the destination's drive has room for the unpacked package;
    // asks to retry while it has not. False: the user cancelled, and the
    // destination page is shown again.
    bool roomForPackage(std::uint64_t bytes);
    void backToDestination();
    // Tells the user when the extraction ended before the end of the batch.
    void reportIfTheEngineGaveUp();
    // Unpacks the package's copies of the versioned files in the way, to
    // keep each newer copy there.
    void keepNewerCopies(Installation& installation);

    ExtractionProgress progress_;
    std::uint64_t listedBytes_ = 0;  // unpacked size of the package, from its listing
    int listedFiles_ = 0;
    bool batchEnded_ = false;
    int keptFiles_ = 0;
    int sameFiles_ = 0;
    std::string lastFailure_;
};

extern TForm6* Form6;

}  // namespace tavrix::installer
