#!/usr/bin/python3
"""A level drawn the way a pygame program draws it, to weigh the game's own
cost against: the countdown and 30 seconds of play at 60 frames a second,
each frame the strip with its three texts rendered anew, the nine holes
(twice, as the game draws them) and the bat, from the game's own pictures.
Prints the CPU it took.

    /usr/bin/python3 tools/bench_pygame.py   (Debian: python3-pygame)
"""
import os
import random
import resource
import time

import pygame

ASSETS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets")
HOLES = [(x, y) for y in (80, 280, 480) for x in (0, 200, 400)]


def cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def main():
    pygame.init()
    screen = pygame.display.set_mode((600, 680))
    pygame.mouse.set_visible(False)
    def picture(name):
        loaded = pygame.image.load(os.path.join(ASSETS, name))
        return loaded.convert_alpha() if name.endswith(".png") else loaded.convert()

    rabbits = [picture(n) for n in ("image_empty.jpg", "image_pose.jpg", "image_cry.jpg", "image_cool.jpg")]
    bat, life = picture("image_ready.png"), picture("image_life.png")
    board = pygame.Surface((600, 80))
    level_font = pygame.font.SysFont("黑体", 40)
    timer_font = pygame.font.SysFont("Courier", 60, bold=True)
    ready_font = pygame.font.SysFont("Courier", 200, bold=True)
    shown = [random.choice(rabbits) for _ in HOLES]
    clock = pygame.time.Clock()
    cpu_begin, begin = cpu_seconds(), time.monotonic()
    for frame in range(180 + 1800):
        pygame.event.pump()
        left = 30 - max(0, frame - 180) // 60
        timer = timer_font.render("00:%02d" % left, True, (255, 255, 255))
        level = level_font.render("Level: 1", True, (255, 255, 255))
        lives = level_font.render(" X 3", True, (255, 255, 255))
        screen.blit(board, (0, 0))
        screen.blit(timer, (300 - timer.get_width() / 2, 40 - timer.get_height() / 2))
        screen.blit(level, (20, 40 - level.get_height() / 2))
        screen.blit(lives, (530, 40 - level.get_height() / 2))
        screen.blit(life, (480, 40 - life.get_height() / 2))
        if frame % 20 == 0:
            shown[random.randrange(len(HOLES))] = random.choice(rabbits)
        for _ in range(2):  # as in the game: by each rabbit's update, then by the group
            for rabbit, hole in zip(shown, HOLES):
                screen.blit(rabbit, hole)
        screen.blit(bat, (300 - bat.get_width() / 2, 380 - bat.get_height() / 2))
        if frame < 180:
            ready = ready_font.render(str(3 - frame // 60), True, (255, 0, 0))
            screen.blit(ready, (300 - ready.get_width() / 2, 340 - ready.get_height() / 2))
        pygame.display.flip()
        clock.tick(60)
    wall, cpu = time.monotonic() - begin, cpu_seconds() - cpu_begin
    print("pygame, the same level: %.2f s, CPU %.2f s, %.2f %% of one core" % (wall, cpu, 100 * cpu / wall))


if __name__ == "__main__":
    main()
