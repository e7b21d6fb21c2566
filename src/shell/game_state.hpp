// Everything the screens share: the game state that passes from one screen
// to the next, and the objects made once at start-up that live until the
// program ends. Read this first.
#pragma once

#include <optional>
#include <string>

#include "media/clock.hpp"
#include "media/font.hpp"
#include "media/sound.hpp"
#include "media/sprite.hpp"
#include "media/surface.hpp"
#include "sprites/bat.hpp"
#include "sprites/rabbit.hpp"

namespace molvane {

// ---- Game state ------------------------------------------------------------

// The screen the screen loop runs next: "start", "main", "end" or "win".
// The main screen also uses "esc" for an Escape, never left set on return.
inline std::string STATE = "start";
// The bat's posture: 0 resting, 1 striking.
inline int MOUSE_STATE = 0;
// The current level, counted from 0; the last is 9.
inline int LEVEL = 0;
// Lives left; the game is lost when they fall below 0.
inline int HEART = 3;
// The running screen's loop flag: 1 stays in the frame loop. It does not
// exist until the first screen sets it.
inline std::optional<int> FLAG;

// ---- Shared objects, made at start-up --------------------------------------

inline media::Surface SCREEN;             // the window's drawing surface
inline media::Clock CLOCK;                // paces every frame loop
inline media::Group<Rabbit> rabbit_list;  // the nine holes, in POS_LIST order
inline std::optional<Bat> bat;            // the player's bat at the pointer

// ---- Pictures ----------------------------------------------------------------

inline media::Surface WINDOW_ICON;   // image_icon.jpg
inline media::Surface RABBIT_EMPTY;  // image_empty.jpg: an empty hole
inline media::Surface RABBIT_POSE;   // image_pose.jpg: a rabbit up, to be hit
inline media::Surface RABBIT_CRY;    // image_cry.jpg: a rabbit that was hit
inline media::Surface RABBIT_COOL;   // image_cool.jpg: a rabbit that got away
inline media::Surface RABBIT_HEART;  // image_heart.jpg: a heart rabbit
inline media::Surface MOUSE_READY;   // image_ready.png: the bat at rest
inline media::Surface MOUSE_HIT;     // image_hit.png: the bat striking
inline media::Surface LIFE_PIC;      // image_life.png: the heart beside the lives
inline media::Surface START_PIC;     // image_start.jpg
inline media::Surface END_PIC;       // image_end.jpg
inline media::Surface WIN_PIC;       // image_win.jpg

// ---- Sounds ------------------------------------------------------------------

inline media::Sound START;      // sound_start.wav: the title tune, looped
inline media::Sound MAIN;       // sound_main.mp3: the play music, looped
inline media::Sound POP;        // sound_pop.wav: a rabbit pops up
inline media::Sound COOL;       // sound_cool.wav: a rabbit got away
inline media::Sound HIT;        // sound_hit.wav: the bat strikes
inline media::Sound HURT;       // sound_hurt.wav: a rabbit is hit
inline media::Sound ADD_LIFE;   // sound_addlife.mp3: a life won back
inline media::Sound GAME_OVER;  // sound_end.wav
inline media::Sound NEXT;       // sound_ding.wav: a level cleared
inline media::Sound PAUSE;      // sound_wait.wav
inline media::Sound UNPAUSE;    // sound_biu.wav
inline media::Sound VICTORY;    // sound_victory.wav
inline media::Sound SPACE;      // sound_space.wav: space on the title
inline media::Sound RETRY;      // sound_retry.wav: back to a new game
inline media::Sound DANGER;     // sound_danger.wav: the last life left

// ---- Fonts and the HUD board -------------------------------------------------

inline media::Font FONT_LEVEL;      // the level and the lives
inline media::Font FONT_TIMER;      // the time left
inline media::Font FONT_READY;      // the countdown digit and "PAUSE"
inline media::Surface COUNT_BOARD;  // the HUD strip's black backdrop, 600 x 80

// Resets the game state at start-up.
void init_game();

}  // namespace molvane
