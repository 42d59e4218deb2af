#include <gtest/gtest.h>

#include <functional>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>

#include "foundation/progress_dialog.h"
#include "tests/foundation/test_tasks.h"
#include "tests/support/gui_test_support.h"

namespace {

const int kWatchLimitMs = 6000;

// The toolkit's clean-up must not race the last workers' ends.
struct SettleWorkers : testing::Environment
{
    void TearDown() override { EXPECT_TRUE(LetWorkersSettle()); }
};
testing::Environment* const g_settleWorkers = testing::AddGlobalTestEnvironment(new SettleWorkers);

CProgressDialog* ModalProgressDialog()
{
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<CProgressDialog*>(window);
        if (dialog && dialog->IsModal())
            return dialog;
    }
    return nullptr;
}

bool AnyProgressDialog()
{
    for (wxWindow* window : wxTopLevelWindows)
        if (dynamic_cast<CProgressDialog*>(window))
            return true;
    return false;
}

// Acts on the progress dialog while it is up, every 20 ms; ends it as a
// cancel when the time is up, so no test hangs on it.
class ProgressWatcher : public wxTimer
{
public:
    explicit ProgressWatcher(std::function<void(CProgressDialog&)> act) : action(std::move(act))
    {
        Start(20);
    }

    void Notify() override
    {
        CProgressDialog* dialog = ModalProgressDialog();
        if (!dialog)
            return;
        ++sightings;
        if (clock.Time() > kWatchLimitMs) {
            timedOut = true;
            dialog->EndModal(wxID_CANCEL);
            return;
        }
        action(*dialog);
    }

    std::function<void(CProgressDialog&)> action;
    wxStopWatch clock;
    int sightings = 0;
    bool timedOut = false;
};

class EmptyTask : public TestTask
{
};

// Lets the task's worker end and waits for the task to be gone.
void FinishAndRelease(GatedTask* task, TaskProbe& probe)
{
    task->ReleaseByOwner();
    probe.go = true;
    EXPECT_TRUE(WaitFor([&] { return probe.deletions == 1; }));
}

} // namespace

TEST(ProgressDialog, ATaskDoneWithinHalfASecondShowsNoDialog)
{
    TaskProbe probe;
    probe.go = true;
    auto* task = new GatedTask(probe);
    task->Start();
    ProgressWatcher watcher([](CProgressDialog&) {});
    EXPECT_TRUE(task->WaitWithProgress(nullptr, "Working", "Please wait"));
    EXPECT_EQ(watcher.sightings, 0);
    EXPECT_FALSE(AnyProgressDialog());
    FinishAndRelease(task, probe);
}

TEST(ProgressDialog, ATaskThatHasReturnedButNotLetGoShowsNoDialog)
{
    auto* task = new EmptyTask;
    CThreadTaskHolder holder(task);
    ProgressWatcher watcher([](CProgressDialog&) {});
    {
        // Holding the lock keeps the worker between completing and letting go.
        wxCriticalSectionLocker lock(g_threadTaskLock);
        task->Start();
        ASSERT_TRUE(WaitFor([&] { return task->completed.load(); }));
        EXPECT_TRUE(task->WaitWithProgress(nullptr, "Working", "Please wait"));
        EXPECT_FALSE(task->threadFinished);
    }
    EXPECT_EQ(watcher.sightings, 0);
    EXPECT_TRUE(task->WaitBriefly());
}

TEST(ProgressDialog, ATaskEndingWhileItIsUpFillsTheBarAndClosesIt)
{
    TaskProbe probe;
    auto* task = new GatedTask(probe);
    task->Start();
    int fullestGauge = 0;
    ProgressWatcher watcher([&](CProgressDialog& dialog) {
        EXPECT_EQ(task->progressDialog, &dialog);
        EXPECT_TRUE(task->progressShown);
        probe.go = true;
        if (dialog.finishedTickCount > 0)
            fullestGauge = std::max(fullestGauge, dialog.gauge->GetValue());
    });
    EXPECT_TRUE(task->WaitWithProgress(nullptr, "Working", "Please wait"));
    EXPECT_FALSE(watcher.timedOut);
    EXPECT_GT(watcher.sightings, 0);
    EXPECT_EQ(fullestGauge, 1000);
    EXPECT_EQ(task->progressDialog, nullptr);
    EXPECT_FALSE(task->progressShown);
    EXPECT_FALSE(AnyProgressDialog());
    task->ReleaseByOwner();
    EXPECT_EQ(probe.deletions, 1);
}

TEST(ProgressDialog, CancelCloseAndEscapeLeaveTheTaskRunning)
{
    std::function<void(CProgressDialog&)> ways[] = {
        [](CProgressDialog& d) { ClickButton(d, wxID_CANCEL); },
        [](CProgressDialog& d) { d.Close(); },
        [](CProgressDialog& d) { PressEscape(d); },
    };
    for (auto& way : ways) {
        TaskProbe probe;
        auto* task = new GatedTask(probe);
        task->Start();
        ProgressWatcher watcher(way);
        EXPECT_FALSE(task->WaitWithProgress(nullptr, "Working", "Please wait"));
        EXPECT_FALSE(watcher.timedOut);
        EXPECT_FALSE(task->completed);
        EXPECT_TRUE(probe.running);
        EXPECT_FALSE(AnyProgressDialog());
        task->ReleaseByOwner();
        EXPECT_EQ(probe.deletions, 0); // the worker still holds it
        probe.go = true;
        EXPECT_TRUE(WaitFor([&] { return probe.deletions == 1; }));
    }
}

TEST(ProgressDialog, EndingWithoutCancelBeforeTheTaskCompletedThrows)
{
    TaskProbe probe;
    auto* task = new GatedTask(probe);
    task->Start();
    ProgressWatcher watcher([](CProgressDialog& d) { d.EndModal(wxID_OK); });
    const char* thrown = nullptr;
    try {
        task->WaitWithProgress(nullptr, "Working", "Please wait");
    } catch (const char* guid) {
        thrown = guid;
    }
    ASSERT_NE(thrown, nullptr);
    EXPECT_STREQ(thrown, "{9B88628E-9236-4330-8517-C28203222F6D}");
    EXPECT_EQ(task->progressDialog, nullptr);
    EXPECT_FALSE(AnyProgressDialog());
    FinishAndRelease(task, probe);
}

TEST(ProgressDialog, TicksCreepTowardTheTargetAndCloseAfterTheFinishedTicks)
{
    EmptyTask task; // never started: the test plays the worker
    CProgressDialog dialog(nullptr, "Working", "Please wait", &task);
    int result = ShowModalAndDo(dialog, [&](wxDialog&) {
        dialog.timer.Stop();
        wxTimerEvent tick(dialog.timer);
        wxGauge* gauge = dialog.gauge;

        task.targetFraction = 1.0;
        dialog.OnTimer(tick); // 1/300 of the way
        EXPECT_EQ(gauge->GetValue(), 3);
        gauge->SetValue(42); // a mark: the gauge is set only when its position moves
        task.targetFraction = dialog.displayedFraction;
        dialog.OnTimer(tick);
        EXPECT_EQ(gauge->GetValue(), 42);
        task.doneFraction = 0.5; // certain progress shows at once
        dialog.OnTimer(tick);
        EXPECT_EQ(gauge->GetValue(), 500);
        dialog.OnTimer(tick);
        EXPECT_EQ(dialog.tickCount, 4);
        EXPECT_EQ(dialog.finishedTickCount, 0);

        task.doneFraction = task.targetFraction = 1.0;
        task.threadFinished = true; // from tick 5 on
        for (int i = 5; i <= 7; ++i) {
            dialog.OnTimer(tick);
            EXPECT_EQ(gauge->GetValue(), 1000);
            EXPECT_TRUE(dialog.IsModal()) << "tick " << i;
        }
        dialog.OnTimer(tick); // tick 8, the fourth finished one
        EXPECT_FALSE(dialog.IsModal());
        // A late tick or a Cancel in the same pass must not end it twice.
        dialog.OnTimer(tick);
        ClickButton(dialog, wxID_CANCEL);
        EXPECT_EQ(dialog.tickCount, 8);
    });
    EXPECT_EQ(result, wxID_OK);
    task.threadFinished = false;
}

TEST(ProgressDialog, ShowsTheMessageABarAndCancel)
{
    EmptyTask task;
    CProgressDialog dialog(nullptr, "Copying", "Copying the files", &task);
    EXPECT_EQ(dialog.GetTitle(), "Copying");
    EXPECT_EQ(dialog.GetName(), "dialog");
    auto* text = dynamic_cast<wxStaticText*>(dialog.FindWindow("staticText"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetLabel(), "Copying the files");
    auto* gauge = dynamic_cast<wxGauge*>(dialog.FindWindow("gauge"));
    ASSERT_EQ(gauge, dialog.gauge);
    EXPECT_EQ(gauge->GetRange(), 1000);
    EXPECT_EQ(gauge->GetValue(), 0);
    EXPECT_GE(gauge->GetSize().x, 222);
    EXPECT_TRUE(gauge->IsVertical() == false);
    auto* cancel = dynamic_cast<wxButton*>(dialog.FindWindow(wxID_CANCEL));
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->GetLabelText(), "Cancel");
    EXPECT_NE(dialog.GetDefaultItem(), cancel);
    EXPECT_TRUE(dialog.timer.IsRunning());
    EXPECT_EQ(dialog.timer.GetInterval(), 100);
    EXPECT_EQ(dialog.timer.GetId(), 10999);
}

TEST(ProgressDialog, AWaitStartedInsideAYieldStillEnds)
{
    // As the game's screens run: handlers dispatched from inside wxYield.
    wxDialog host(nullptr, wxID_ANY, "host");
    bool waited = false;
    ShowModalAndDo(host, [&](wxDialog& d) {
        auto* task = new EmptyTask;
        CThreadTaskHolder holder(task);
        task->Start();
        wxTimer timer;
        timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { waited = task->WaitBriefly(); });
        timer.StartOnce(10);
        wxStopWatch clock;
        while (!waited && clock.Time() < 3000) {
            wxYield();
            wxMilliSleep(5);
        }
        d.EndModal(wxID_OK);
    });
    EXPECT_TRUE(waited);
}
