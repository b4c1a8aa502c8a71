#include "support/app/main_window_fixture.h"

#include <filesystem>
#include <fstream>

#include <QCoreApplication>
#include <QTimer>

#include "store/config_dir.h"
#include "support/qt/qt_app.h"

namespace qarvex::test {

MainWindowFixture::MainWindowFixture() {
    EnsureQtApp();
    platform = MakeFakePlatform(fakes);
    configRoot = config.Path() + "/";
    fakes.environment->SetHomeFolder(files.Path());
    fakes.environment->SetExecutablePath("/opt/qarvex/bin/qarvex");
    fakes.environment->SetToday("2026-12-08");
}

MainWindowFixture::~MainWindowFixture() {
    Stop();
}

TFrmMain& MainWindowFixture::Start() {
    if (!window) {
        window = std::make_unique<TFrmMain>(platform, messages, GetConfigDir(configRoot));
    }
    return *window;
}

TFrmMain& MainWindowFixture::Main() {
    return Start();
}

void MainWindowFixture::Stop() {
    if (window) {
        window->FormDestroy();
        window.reset();
    }
}

TFrmMain& MainWindowFixture::Restart() {
    Stop();
    return Start();
}

void MainWindowFixture::FinishStartup() {
    if (Main().timerFirstRun()->isActive()) {
        Main().TimerFirstRunTimer();
    }
}

void MainWindowFixture::WriteConfigFile(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(ConfigDir());
    std::ofstream out(ConfigFile(name), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string MainWindowFixture::ReadConfigFile(const std::string& name) const {
    std::ifstream in(ConfigFile(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace qarvex::test
