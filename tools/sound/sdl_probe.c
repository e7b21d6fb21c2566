#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <stdio.h>
int main(int argc, char **argv) {
    SDL_Init(SDL_INIT_AUDIO);
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) < 0) { printf("open: %s\n", Mix_GetError()); return 1; }
    Mix_Init(MIX_INIT_MP3);
    int freq, ch; Uint16 fmt; Mix_QuerySpec(&freq, &fmt, &ch);
    for (int i = 1; i < argc; ++i) {
        Mix_Chunk *c = Mix_LoadWAV(argv[i]);
        if (!c) { printf("%s: FAIL %s\n", argv[i], Mix_GetError()); continue; }
        printf("%s: %u bytes = %u frames (%d Hz, %d ch)\n", argv[i], c->alen, c->alen / (2 * ch), freq, ch);
        if (getenv("DUMP")) { FILE *f = fopen(getenv("DUMP"), "wb"); fwrite(c->abuf, 1, c->alen, f); fclose(f); }
        Mix_FreeChunk(c);
    }
    Mix_CloseAudio(); SDL_Quit(); return 0;
}
