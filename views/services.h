#pragma once

namespace qarvex {

class AppState;
class History;
class Messages;
class Openers;
class Scanner;
class TreeImageList;
struct Platform;

// What the window's parts share for the whole run. References only: the window (or a
// test's fixture) owns each of them and outlives every part. A part keeps the few it uses.
struct Services {
    AppState& state;
    History& history;
    Scanner& scanner;
    Openers& openers;
    Platform& platform;
    Messages& messages;
    TreeImageList& images;
};

}  // namespace qarvex
