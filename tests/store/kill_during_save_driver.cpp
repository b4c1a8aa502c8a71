// A start and an exit of the program without its windows, for the kill tests: the
// start-up load (which rewrites the history), one change to every stored list, then the
// exit save sequence. The test kills it at random moments.
//
//   kill_during_save_driver <config dir with trailing "/">
#include <cstdio>
#include <string>

#include "store/app_state.h"
#include "store/history.h"
#include "store/settings.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <config dir/>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    qarvex::AppState app(dir);
    app.LoadLastRunList();
    app.LoadFavList();
    qarvex::History history(
        app.Settings(), app.RecentList(), [] { return std::string("2026-12-08"); }, nullptr,
        "/home/u", [](const std::string&) { return false; });
    history.LoadHistory();
    const qarvex::DefaultSettings settings = qarvex::ReadDefaultSettings(app.Settings());
    const std::string note = qarvex::ReadNote(dir).value_or("");
    app.LoadRunList();
    app.LoadRecentList();

    // The test waits for this line to aim its kills at the save sequence.
    std::fputs("loaded\n", stdout);
    std::fflush(stdout);

    for (qarvex::StoredList* list : {&app.FavList(), &app.RecentList(), &app.RunList()}) {
        list->InsertLine(0, "/home/u/new.txt*|*new");
        list->InsertItem(0, "new");
    }
    app.LastRunList().push_back("https://new.example/");

    const int done = app.SaveAtExit([&] {
        qarvex::ExitSettings exit;
        exit.controlIndex = settings.controlIndex == 0 ? 1 : 0;
        return qarvex::SaveDefaultSettings(app.Settings(), exit) &&
               qarvex::WriteNote(dir, note + "\nmore");
    });
    return done == 5 ? 0 : 1;
}
