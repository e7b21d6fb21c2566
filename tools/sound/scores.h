// Molvane tunes, written as scores.
//
// Notes: name + octave ("F#5"), ":n" = length in sixteenths (kept until changed),
// "r" = rest, "C4+E4+G4" = chord, "|" = bar line (each bar must make 16).
// Chord tracks list one symbol per bar ("F/G" = half a bar each).
// Drum tracks: one character per sixteenth, x = hit, o = soft hit, . = nothing.

// ---- play music: C major, 140 bpm, 16 bars (A A' B B'), ends on D/G so it
// ---- leads straight back into bar 1.
static const char* MAIN_LEAD =
    // A
    "E5:2 G5:2 C6:4 B5:2 G5:2 E5:4 | "
    "A5:2 C6:2 E6:4 D6:2 C6:2 A5:4 | "
    "F5:2 A5:2 C6:2 A5:2 G5:2 F5:2 E5:2 F5:2 | "
    "G5:6 D5:2 G5:4 r:4 | "
    "E5:2 G5:2 C6:4 D6:2 E6:2 C6:4 | "
    "A5:2 G5:2 E5:4 A5:2 B5:2 C6:4 | "
    "A5:2 G5:2 F5:2 A5:2 G5:2 F5:2 D5:2 B4:2 | "
    "C5:4 G4:2 C5:2 E5:4 r:4 | "
    // B
    "A5:4 A5:2 C6:2 F6:4 E6:2 D6:2 | "
    "D6:4 B5:2 G5:2 D6:6 r:2 | "
    "E6:2 D6:2 B5:2 G5:2 E5:2 G5:2 B5:2 E6:2 | "
    "C6:6 B5:2 A5:4 E5:4 | "
    "F5:2 A5:2 C6:2 F6:2 E6:2 C6:2 A5:2 C6:2 | "
    "D6:4 G6:4 F6:2 E6:2 D6:4 | "
    "E6:2 C6:2 G5:2 E5:2 A5:2 C6:2 E6:4 | "
    "F#6:4 D6:2 A5:2 B5:2 D6:2 G5:2 B4:2 | ";

static const char* MAIN_BASS =
    "C3:3 r:1 C3:2 G2:2 C3:3 r:1 E3:2 G2:2 | "
    "A2:3 r:1 A2:2 E2:2 A2:3 r:1 C3:2 E3:2 | "
    "F2:3 r:1 F2:2 C3:2 F2:3 r:1 A2:2 C3:2 | "
    "G2:3 r:1 G2:2 D3:2 G2:3 r:1 B2:2 D3:2 | "
    "C3:3 r:1 C3:2 G2:2 C3:3 r:1 E3:2 G2:2 | "
    "A2:3 r:1 A2:2 E2:2 A2:3 r:1 C3:2 E3:2 | "
    "F2:3 r:1 F2:2 A2:2 G2:3 r:1 G2:2 B2:2 | "
    "C3:3 r:1 G2:2 E2:2 C2:4 G2:4 | "
    "F2:3 r:1 F2:2 C3:2 F2:3 r:1 A2:2 C3:2 | "
    "G2:3 r:1 G2:2 D3:2 G2:3 r:1 B2:2 D3:2 | "
    "E2:3 r:1 E2:2 B2:2 E2:3 r:1 G2:2 B2:2 | "
    "A2:3 r:1 A2:2 E2:2 A2:3 r:1 C3:2 E3:2 | "
    "F2:3 r:1 F2:2 C3:2 F2:3 r:1 A2:2 C3:2 | "
    "G2:3 r:1 G2:2 D3:2 G2:3 r:1 B2:2 D3:2 | "
    "C3:3 r:1 C3:2 G2:2 A2:3 r:1 A2:2 E2:2 | "
    "D3:3 r:1 D3:2 A2:2 G2:3 r:1 G2:2 B2:2 | ";

static const char* MAIN_CHORDS =
    "C Am F G C Am F/G C | F G Em Am F G C/Am D/G |";

// a flute holds a second voice under the B part
static const char* MAIN_COUNTER =
    "r:16 | r:16 | r:16 | r:16 | r:16 | r:16 | r:16 | r:16 | "
    "C5:8 A4:8 | B4:8 D5:8 | B4:8 G4:8 | A4:8 C5:8 | "
    "A4:8 C5:8 | B4:8 D5:8 | G4:8 E4:8 | F#4:8 D4:8 | ";

static const char* MAIN_CRASH =
    "x...............|................|................|................|"
    "................|................|................|................|"
    "x...............|................|................|................|"
    "................|................|................|................|";

static const char* MAIN_KICK =
    "x.......x.......|x.......x.......|x.......x.......|x.......x.x.....|"
    "x.......x.......|x.......x.......|x.......x.......|x.......x..x.x..|"
    "x.......x.......|x.......x.......|x.......x.......|x.......x.x.....|"
    "x.......x.......|x.......x.......|x.......x.......|x.......x.......|";
static const char* MAIN_SNARE =
    "....x.......x...|....x.......x...|....x.......x...|....x.......x..o|"
    "....x.......x...|....x.......x...|....x.......x...|....x.......xoxx|"
    "....x.......x...|....x.......x...|....x.......x...|....x.......x..o|"
    "....x.......x...|....x.......x...|....x.......x...|....x...x.o.xxxx|";
static const char* MAIN_HAT =
    "o.x.o.x.o.x.o.x.|o.x.o.x.o.x.o.x.|o.x.o.x.o.x.o.x.|o.x.o.x.o.x.oox.|"
    "o.x.o.x.o.x.o.x.|o.x.o.x.o.x.o.x.|o.x.o.x.o.x.o.x.|o.x.o.x.o.x.....|"
    "oox.oox.oox.oox.|oox.oox.oox.oox.|oox.oox.oox.oox.|oox.oox.oox.oox.|"
    "oox.oox.oox.oox.|oox.oox.oox.oox.|oox.oox.oox.oox.|oox.oox.........|";

// ---- title tune: G major, 120 bpm, 8 bars, marimba over a plucked bass.
static const char* START_LEAD =
    "B4:2 D5:2 G5:4 F#5:2 G5:2 A5:2 B5:2 | "
    "G5:4 E5:2 G5:2 B5:6 r:2 | "
    "C6:2 B5:2 A5:2 G5:2 E5:4 G5:4 | "
    "F#5:2 A5:2 D6:4 C6:2 A5:2 F#5:4 | "
    "B5:2 A5:2 G5:2 B5:2 D6:4 B5:4 | "
    "E6:2 D6:2 B5:2 G5:2 E5:4 G5:2 A5:2 | "
    "G5:2 E5:2 C5:2 E5:2 G5:4 A5:2 B5:2 | "
    "A5:6 F#5:2 D5:4 r:2 D5:2 | ";

// a few bell answers in the gaps of the tune
static const char* START_BELLS =
    "r:16 | r:12 D6:2 G6:2 | r:16 | r:12 A6:4 | "
    "r:16 | r:12 B6:2 G6:2 | r:16 | r:8 F#6:2 A6:2 D7:4 | ";

static const char* START_BASS =
    "G2:4 D3:4 G2:4 D3:4 | "
    "E2:4 B2:4 E2:4 B2:4 | "
    "C3:4 G2:4 C3:4 G2:4 | "
    "D3:4 A2:4 D3:4 F#2:4 | "
    "G2:4 D3:4 G2:4 D3:4 | "
    "E2:4 B2:4 E2:4 G2:4 | "
    "C3:4 G2:4 C3:4 E3:4 | "
    "D3:4 A2:4 D2:4 A2:4 | ";

static const char* START_CHORDS = "G Em C D G Em C D |";

static const char* START_KICK =
    "x.......x.......|x.......x.......|x.......x.......|x.......x.....x.|"
    "x.......x.......|x.......x.......|x.......x.......|x.......x.x.x...|";
static const char* START_CLAP =
    "....x.......x...|....x.......x...|....x.......x...|....x.......x...|"
    "....x.......x...|....x.......x...|....x.......x...|....x.......x.x.|";
static const char* START_SHAKER =
    "oxooox.oox.ooxoo|oxooox.oox.ooxoo|oxooox.oox.ooxoo|oxooox.oox.ooxoo|"
    "oxooox.oox.ooxoo|oxooox.oox.ooxoo|oxooox.oox.ooxoo|oxooox.oox.oo...|";
