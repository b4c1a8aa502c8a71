#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QString>
#include <QTabWidget>
#include <QWidget>

#include "platform/fake/fake_platform.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"
#include "views/doc_trees.h"
#include "views/services.h"
#include "views/skin_tab_bar.h"
#include "views/window_actions.h"

namespace qarvex {

class AppState;
class History;
class Openers;
class Scanner;

namespace test {

// Stands in for the main window: records what a part asks of it. A page it is asked to
// show becomes the fixture's current page, as in the window.
class RecordingWindow : public WindowActions {
public:
    void BringToFront() override { calls.push_back("BringToFront"); }
    void ShowMainWindowAtCorner() override { calls.push_back("ShowMainWindowAtCorner"); }
    void HideToTray() override { calls.push_back("HideToTray"); }
    void MnQVExitClick() override { calls.push_back("MnQVExitClick"); }
    bool HasTray() const override { return hasTray; }
    void ShowPage(Page page) override;

    std::vector<std::string> calls;
    std::vector<Page> shownPages;
    bool hasTray = true;
    DocTrees* trees = nullptr;
    QTabWidget* pages = nullptr;
};

// One part of the window without the window: the services it is given, over the fake
// platform with the configuration folder in a temporary folder and a fixed day; a
// recording stand-in for the window; and only the controls the part is given, made by
// the test in Window(). A test's MakePart() makes its part; Start() runs it as a start
// does, Restart() as the next run on the same files.
class FeatureFixture : public ::testing::Test {
protected:
    FeatureFixture();
    ~FeatureFixture() override;

    // The services over the configuration folder, then MakePart(), then the loads of the
    // stored files a start does. Called by the first use of Svc() or Window(); call it
    // yourself after preparing files in ConfigDir().
    void Start();
    // The exit's save of the stored lists and the settings; then the part, its controls
    // and the services go.
    void Stop();
    void Restart();

    // Makes the part under test and the controls it is given; runs inside Start().
    virtual void MakePart() {}

    const Services& Svc();
    AppState& State();
    History& Hist();
    Scanner& Scan();
    // The page control with the four history trees and the day page, laid out as in the
    // window, filling Window(); made on first use.
    DocTrees& Trees();
    SkinTabWidget* Pages();
    // The top-level widget the part's controls and dialogs live in.
    QWidget& Window();
    // The parent of the parts, which go before the controls when the run ends.
    QObject* Owner();

    // A control of the part under that name, a child of parent or else of Window().
    template <typename T>
    T* Make(const char* name, QWidget* parent = nullptr) {
        auto* control = new T(parent ? parent : &Window());
        control->setObjectName(QString::fromLatin1(name));
        return control;
    }
    template <typename T>
    T* Find(const char* name) {
        return Window().findChild<T*>(QString::fromLatin1(name));
    }

    // The configuration folder (with its trailing "/") and a file in it.
    std::string ConfigDir() const { return config.Path() + "/ZeqConfig/"; }
    std::string ConfigFile(const std::string& name) const { return ConfigDir() + name; }
    void WriteConfigFile(const std::string& name, const std::string& bytes) const;
    std::string ReadConfigFile(const std::string& name) const;

    TempDir config;
    TempDir files;  // a place for documents the tests open
    FakeParts fakes;
    Platform platform;
    RecordingMessages messages;
    RecordingWindow window;
    // What the scan asks the privacy controls in the program; nothing is held back here.
    std::function<bool()> isPaused;
    std::function<bool(const std::string&, const std::string&, bool)> isExcluded;
    std::function<bool()> recordRecentFiles;
    // Whether the history last asked for the scan timer to run.
    bool scanTimerOn = false;

private:
    struct Run;
    std::unique_ptr<Run> m_run;
    bool m_starting = false;
};

}  // namespace test
}  // namespace qarvex
