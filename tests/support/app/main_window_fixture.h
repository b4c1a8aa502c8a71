#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/frm_main.h"
#include "platform/fake/fake_platform.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"
#include "views/doc_trees.h"

namespace qarvex::test {

// A real main window over the fake platform, its configuration folder in a temporary
// folder. Restart() saves as at exit and builds a new window on the same folder.
class MainWindowFixture : public ::testing::Test {
protected:
    MainWindowFixture();
    ~MainWindowFixture() override;

    // Creates the window (the constructor runs the start-up load). Called by the first
    // use of Main(); call it yourself after preparing files in ConfigDir().
    TFrmMain& Start();
    TFrmMain& Main();
    // FormDestroy (the exit save sequence), then a fresh window on the same folder.
    TFrmMain& Restart();
    // Runs the first-run timer's work now (run.dat and rec.dat loads).
    void FinishStartup();
    void Stop();

    // The configuration folder (with its trailing "/") and a file in it.
    std::string ConfigDir() const { return config.Path() + "/ZeqConfig/"; }
    std::string ConfigFile(const std::string& name) const { return ConfigDir() + name; }
    // Writes bytes into a file of the configuration folder (creating the folder).
    void WriteConfigFile(const std::string& name, const std::string& bytes) const;
    std::string ReadConfigFile(const std::string& name) const;

    template <typename T>
    T* Find(const char* objectName) {
        return Main().findChild<T*>(QString::fromLatin1(objectName));
    }

    TempDir config;
    // Where the window's folder goes; config's own unless a test chooses another.
    std::string configRoot;
    TempDir files;  // a place for documents the tests open
    FakeParts fakes;
    Platform platform;
    RecordingMessages messages;
    std::unique_ptr<TFrmMain> window;
};

}  // namespace qarvex::test
