#include "views/web_engine_module.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>
#include <QStringList>

#include "platform/linux/child_processes.h"

namespace qarvex {

namespace {

constexpr const char* kModuleFile = "libqarvex_webengine.so";

struct ModuleState {
    bool tried = false;
    WebEngineModule* module = nullptr;
};

ModuleState& State() {
    static ModuleState state;
    return state;
}

QStringList Candidates() {
    const QString chosen = qEnvironmentVariable("QARVEX_WEBENGINE_MODULE");
    if (!chosen.isEmpty()) {
        return {chosen};
    }
    QStringList files;
    // Installed: beside the program's own library folder.
    files << QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                             QStringLiteral(QARVEX_MODULE_RELATIVE_DIR) + QLatin1Char('/') +
                             QLatin1String(kModuleFile));
    // Run from the build tree (the program and the tests).
    files << QStringLiteral(QARVEX_MODULE_BUILD_DIR) + QLatin1Char('/') +
                 QLatin1String(kModuleFile);
    return files;
}

}  // namespace

WebEngineModule* LoadWebEngineModule() {
    ModuleState& state = State();
    if (state.tried) {
        return state.module;
    }
    state.tried = true;
    for (const QString& file : Candidates()) {
        if (!QFileInfo::exists(file)) {
            continue;
        }
        // The loader stays alive with the module: the engine is never unloaded.
        auto* loader = new QPluginLoader(file, QCoreApplication::instance());
        if (auto* module = qobject_cast<WebEngineModule*>(loader->instance())) {
            state.module = module;
            break;
        }
        delete loader;
    }
    return state.module;
}

bool WebEngineModuleLoaded() {
    return State().module != nullptr;
}

void EndWebEngineHelpers() {
    if (WebEngineModuleLoaded()) {
        // The kernel keeps 15 bytes of a command's name.
        EndDescendantsNamed("QtWebEngineProc", 2000);
    }
}

}  // namespace qarvex
