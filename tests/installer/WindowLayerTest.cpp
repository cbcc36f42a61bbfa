// The window layer's event model: click before release, the capture that
// brings a release outside back to its control, a show handler's failure,
// modal loops, timers and the termination request.
#include <string>
#include <vector>

#include "installer/ui/Form.h"
#include "installer/ui/StandardControls.h"
#include "tests/installer/InstallerFixture.h"

namespace tavrix::installer::testing {
namespace {

ui::FormDesign probeDesign() {
    ui::FormDesign design;
    design.className = "TavrixProbe";
    design.style = WS_POPUP | WS_BORDER;
    design.clientWidth = 200;
    design.clientHeight = 100;
    return design;
}

class ProbeForm : public ui::Form {
public:
    ProbeForm() : ui::Form(probeDesign()) {
        auto log = [this](const char* what) {
            return [this, what](ui::MouseButton button, int, int) {
                events.push_back(std::string(what) + (button == ui::MouseButton::Left ? "" : "(other)"));
            };
        };
        image.onMouseDown = log("down");
        image.onMouseUp = log("up");
        image.onClick = [this] { events.push_back("click"); };
    }
    ui::Image image{*this, 10, 10, 64, 25};
    ui::Label caption{*this, {.left = 20, .top = 16, .text = "Go"}};
    ui::Timer timer{*this, 10, [this] { events.push_back("tick"); }};
    ui::Timer minuteTimer{*this, 60'000, [this] {
                              minuteTimer.setEnabled(false);
                              events.push_back("minute");
                          }};
    ui::ProgressBar bar{*this, 10, 50, 180, 16, 1, 10001};
    std::vector<std::string> events;
    std::string showFailure;  // the show handler gives up with this text

protected:
    void FormShow() override {
        if (showFailure.empty()) return;
        failShow(showFailure);
        events.push_back(::IsWindowVisible(handle()) ? "failed shown" : "failed hidden");
    }
};

class WindowLayerTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        ui::Application::instance().setTitle("Tavrix Installer");
        probe = ui::Application::instance().createForm<ProbeForm>();
    }
    ProbeForm* probe = nullptr;
};

using Events = std::vector<std::string>;

TEST_F(WindowLayerTest, ClickComesBeforeTheReleaseAndOnlyForALeftReleaseInside) {
    click(probe->image);
    EXPECT_EQ(probe->events, (Events{"down", "click", "up"}));

    probe->events.clear();
    mouseDown(*probe, {12, 12});
    mouseMove(*probe, {150, 80});
    mouseUp(*probe, {150, 80});
    EXPECT_EQ(probe->events, (Events{"down", "up"})) << "released outside: no click, but the release arrives";

    probe->events.clear();
    mouseDown(*probe, {12, 12}, ui::MouseButton::Right);
    mouseUp(*probe, {12, 12}, ui::MouseButton::Right);
    EXPECT_EQ(probe->events, (Events{"down(other)", "up(other)"}));

    probe->events.clear();
    mouseDown(*probe, {150, 80});
    mouseUp(*probe, {12, 12});
    EXPECT_TRUE(probe->events.empty()) << "a release alone is nobody's";
}

TEST_F(WindowLayerTest, TheTopmostControlGetsThePressAndHiddenOnesNone) {
    probe->caption.onMouseDown = [this](ui::MouseButton, int, int) { probe->events.push_back("caption"); };
    mouseDown(*probe, centreOf(probe->caption));
    EXPECT_EQ(probe->events, Events{"caption"});
    mouseUp(*probe, centreOf(probe->caption));

    probe->events.clear();
    probe->caption.setVisible(false);
    mouseDown(*probe, centreOf(probe->caption));
    EXPECT_EQ(probe->events, Events{"down"});
}

TEST_F(WindowLayerTest, ShowFailureIsReportedOnceTheWindowIsOnTheScreen) {
    probe->hide();
    probe->showFailure = "Disk full";
    probe->show();
    EXPECT_EQ(probe->events, Events{"failed hidden"}) << "the handler runs before the window shows";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Disk full.");
    EXPECT_EQ(boxes[0].caption, "Tavrix Installer");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(::IsWindowVisible(probe->handle())) << "the window still comes up";
    EXPECT_EQ(boxes[0].owner, probe->handle()) << "the main window owns the report: it was on the screen";

    probe->hide();
    probe->showFailure.clear();
    probe->show();
    EXPECT_EQ(boxes.size(), 1u) << "a failure is reported for the show that met it only";
}

TEST_F(WindowLayerTest, TimersTickThroughTheMessageLoop) {
    probe->timer.setEnabled(true);
    const DWORD start = ::GetTickCount();
    while (probe->events.empty() && ::GetTickCount() - start < 5000)
        ui::Application::instance().handleMessage();
    probe->timer.setEnabled(false);
    EXPECT_EQ(probe->events, Events{"tick"});
}

// A wait that began before the timer was started (the installation page's,
// counted from when the archive was named) is not waited for again.
TEST_F(WindowLayerTest, ATimerCountedFromAnEarlierMomentFiresOnlyForWhatIsLeft) {
    auto pumpUntilEventOr = [this](DWORD milliseconds) {
        const DWORD start = ::GetTickCount();
        while (probe->events.empty() && ::GetTickCount() - start < milliseconds) {
            ui::Application::instance().processMessages();
            ::Sleep(5);
        }
    };
    probe->minuteTimer.startCountingFrom(::GetTickCount());
    pumpUntilEventOr(300);
    EXPECT_TRUE(probe->events.empty()) << "a minute counted from now is not over";
    probe->minuteTimer.setEnabled(false);

    probe->minuteTimer.startCountingFrom(::GetTickCount() - 61'000);
    pumpUntilEventOr(5000);
    EXPECT_EQ(probe->events, Events{"minute"});
    EXPECT_FALSE(probe->minuteTimer.enabled());
}

// Takes messages (the catch-up timer among them) for a while.
void pumpFor(DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < milliseconds) {
        ui::Application::instance().processMessages();
        ::Sleep(5);
    }
}

TEST_F(WindowLayerTest, ProgressBarRepaintsOnlyForAVisibleChangeAndCatchesUpWhenReportsStop) {
    ui::ProgressBar& bar = probe->bar;
    constexpr DWORD kLongEnough = 3 * ui::ProgressBar::kRepaintIntervalMs;
    pumpFor(kLongEnough);
    bar.setPosition(5030);
    EXPECT_EQ(bar.shownPosition(), 5030) << "the first change after a quiet interval shows at once";

    // One step of 10000 is far less than a pixel of a 180-pixel bar (both
    // fill 90 pixels).
    bar.setPosition(5031);
    pumpFor(kLongEnough);
    EXPECT_EQ(bar.position(), 5031);
    EXPECT_EQ(bar.shownPosition(), 5030);

    // Changes in quick succession: the last one is shown once the interval
    // is over, even though no further report comes.
    bar.setPosition(7000);
    bar.setPosition(1);
    EXPECT_EQ(bar.shownPosition(), 7000) << "the control is told at most once per interval, ends too";
    bar.setPosition(10001);
    pumpFor(kLongEnough);
    EXPECT_EQ(bar.shownPosition(), 10001);
    bar.setPosition(1);
    pumpFor(kLongEnough);
    EXPECT_EQ(bar.shownPosition(), 1) << "the ends are shown exactly";

    // Past the range, the control clamps and the bar counts as full.
    bar.setPosition(20000);
    pumpFor(kLongEnough);
    EXPECT_EQ(bar.position(), 20000);
    EXPECT_EQ(bar.shownPosition(), 10001);
}

TEST_F(WindowLayerTest, ModalLoopEndsWhenTheFormClosesAndWhenTheProgramTerminates) {
    auto* dialog = ui::Application::instance().createForm<ProbeForm>();
    auto* hidden = ui::Application::instance().createForm<ProbeForm>();
    probe->show();
    bool mainDisabled = false;
    bool hiddenEnabled = false;
    duringNextLoop([&] {
        mainDisabled = !::IsWindowEnabled(probe->handle());
        hiddenEnabled = ::IsWindowEnabled(hidden->handle()) != FALSE;
        dialog->close();
    });
    dialog->showModal();
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(hiddenEnabled) << "a window shown during the loop must be usable";
    EXPECT_TRUE(::IsWindowEnabled(probe->handle()));
    EXPECT_FALSE(::IsWindowVisible(dialog->handle()));

    duringNextLoop([] { ui::Application::instance().terminate(); });
    dialog->showModal();
    EXPECT_TRUE(ui::Application::instance().terminated());
    dialog->showModal();  // returns at once: nothing would end a loop now
    EXPECT_FALSE(::IsWindowVisible(dialog->handle()));
}

TEST_F(WindowLayerTest, ClosingTheMainFormEndsTheProgramAtTheNextMessage) {
    probe->show();
    probe->close();
    EXPECT_TRUE(ui::Application::instance().terminateRequested());
    EXPECT_FALSE(ui::Application::instance().terminated());
    ui::Application::instance().run();  // returns: the request ends the loop
    EXPECT_TRUE(ui::Application::instance().terminated());
}

}  // namespace
}  // namespace tavrix::installer::testing
