#include "shell/load_assets.hpp"

#include "media/display.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

namespace molvane {

void load_assets(const UnpackedAssets& files) {
    auto picture = [&](const char* name) { return media::image::load(files.path(name)); };
    auto sound = [&](const char* name) { return media::Sound(files.path(name)); };

    WINDOW_ICON = picture("image_icon.jpg");
    media::display::set_caption(WINDOW_TITLE);

    RABBIT_EMPTY = picture("image_empty.jpg");
    RABBIT_POSE = picture("image_pose.jpg");
    RABBIT_CRY = picture("image_cry.jpg");
    RABBIT_COOL = picture("image_cool.jpg");
    RABBIT_HEART = picture("image_heart.jpg");
    MOUSE_READY = picture("image_ready.png");
    MOUSE_HIT = picture("image_hit.png");
    LIFE_PIC = picture("image_life.png");
    START_PIC = picture("image_start.jpg");
    END_PIC = picture("image_end.jpg");
    WIN_PIC = picture("image_win.jpg");

    START = sound("sound_start.wav");
    MAIN = sound("sound_main.mp3");
    POP = sound("sound_pop.wav");
    COOL = sound("sound_cool.wav");
    HIT = sound("sound_hit.wav");
    HURT = sound("sound_hurt.wav");
    ADD_LIFE = sound("sound_addlife.mp3");
    GAME_OVER = sound("sound_end.wav");
    NEXT = sound("sound_ding.wav");
    PAUSE = sound("sound_wait.wav");
    UNPAUSE = sound("sound_biu.wav");
    VICTORY = sound("sound_victory.wav");
    SPACE = sound("sound_space.wav");
    RETRY = sound("sound_retry.wav");
    DANGER = sound("sound_danger.wav");
}

}  // namespace molvane
