// Plays the web build in headless Chromium, as a player would, and fails on
// the first thing that does not happen:
//   the title picture shows, in its own colours, scaled to fit the page;
//   the bat is drawn under the pointer at two page sizes;
//   Space and M are kept from the page; Space starts the countdown;
//   the sound runs once the player has pressed a key;
//   the frames come near 60 a second;
//   a click, then a touch tap, on a rabbit that is up makes it cry.
//
//   node tools/ci/web_check.cjs SITE_DIR ASSET_DIR OUT_DIR
// with MOLVANE_PLAYWRIGHT naming playwright-core's folder and CHROMIUM the
// browser (default /usr/bin/chromium). Screenshots go to OUT_DIR.
"use strict";
const fs = require("node:fs");
const http = require("node:http");
const os = require("node:os");
const path = require("node:path");
const zlib = require("node:zlib");
const { execFileSync } = require("node:child_process");
const { chromium } = require(process.env.MOLVANE_PLAYWRIGHT || "playwright-core");

const [site, assets, out] = process.argv.slice(2);
const FRAME = { w: 600, h: 680 };
const FPS_SECONDS = Number(process.env.MOLVANE_FPS_SECONDS || 5);
const started = Date.now();
const log = (text) => console.log(`web: ${((Date.now() - started) / 1000).toFixed(1)} s: ${text}`);
const failures = [];
const check = (ok, text) => {
  log(`${ok ? "ok" : "FAILED"}: ${text}`);
  if (!ok) failures.push(text);
  return ok;
};

// ---- Pictures -----------------------------------------------------------------

// A PNG of 8-bit RGB or RGBA, not interlaced (what Chromium and our assets write).
function decodePng(bytes) {
  let at = 8;
  let width = 0, height = 0, channels = 0;
  const idat = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString("latin1", at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0 || ![2, 6].includes(body[9])) throw new Error("unsupported PNG");
      channels = body[9] === 6 ? 4 : 3;
    } else if (type === "IDAT") idat.push(body);
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const data = Buffer.alloc(height * stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; x++) {
      const a = x >= channels ? data[y * stride + x - channels] : 0;
      const b = y > 0 ? data[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? data[(y - 1) * stride + x - channels] : 0;
      const p = a + b - c;
      const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      const add = [0, a, b, (a + b) >> 1, paeth][filter];
      data[y * stride + x] = (line[x] + add) & 255;
    }
  }
  return { width, height, channels, data };
}

// Any picture ImageMagick reads, as 8-bit RGB.
function readPicture(file) {
  const ppm = execFileSync("convert", [file, "-depth", "8", "ppm:-"], { maxBuffer: 1 << 26 });
  const header = ppm.toString("latin1", 0, 64).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  return { width: +header[1], height: +header[2], channels: 3, data: ppm.subarray(header[0].length) };
}

const pixel = (picture, x, y) => {
  const at = (y * picture.width + x) * picture.channels;
  return [picture.data[at], picture.data[at + 1], picture.data[at + 2]];
};

// How far a part of the frame, as shown in `shot` (a screenshot of the
// canvas's box), is from `reference`: the mean difference of a colour
// channel, 0 to 255, over every other pixel of `area` (frame pixels), the
// pixels of `skip` left out.
function distance(shot, reference, area, skip = null) {
  const sx = shot.width / FRAME.w, sy = shot.height / FRAME.h;
  let sum = 0, count = 0;
  for (let y = area.y; y < area.y + area.h; y += 2) {
    for (let x = area.x; x < area.x + area.w; x += 2) {
      if (skip && x >= skip.x && x < skip.x + skip.w && y >= skip.y && y < skip.y + skip.h) continue;
      const shown = pixel(shot, Math.min(shot.width - 1, Math.floor((x + 0.5) * sx)),
                          Math.min(shot.height - 1, Math.floor((y + 0.5) * sy)));
      const wanted = pixel(reference, x - area.x, y - area.y);
      sum += Math.abs(shown[0] - wanted[0]) + Math.abs(shown[1] - wanted[1]) + Math.abs(shown[2] - wanted[2]);
      count += 3;
    }
  }
  return sum / count;
}

// ---- The page -----------------------------------------------------------------

function serve(dir) {
  const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm", ".png": "image/png" };
  const server = http.createServer((request, response) => {
    const name = path.basename(new URL(request.url, "http://x").pathname) || "index.html";
    fs.readFile(path.join(dir, name), (error, body) => {
      if (error) return response.writeHead(404).end();
      response.writeHead(200, { "Content-Type": types[path.extname(name)] || "application/octet-stream" }).end(body);
    });
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

async function main() {
  fs.mkdirSync(out, { recursive: true });
  const reference = {};
  for (const name of ["start", "empty", "pose", "cry", "cool", "heart"]) {
    reference[name] = readPicture(path.join(assets, `image_${name}.jpg`));
  }
  const bat = decodePng(fs.readFileSync(path.join(assets, "image_ready.png")));

  const server = await serve(site);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "molvane-chromium-"));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync"],
    viewport: { width: 1000, height: 800 },
    hasTouch: true,
  });
  try {
    const page = context.pages()[0] || (await context.newPage());
    const errors = [];
    page.on("pageerror", (error) => errors.push(String(error)));
    page.on("console", (message) => { if (message.type() === "error") errors.push(message.text()); });
    // Each frame the game shows is one upload of its pixels into the texture.
    await page.addInitScript(() => {
      window.__frames = [];
      for (const gl of [WebGLRenderingContext, window.WebGL2RenderingContext].filter(Boolean)) {
        const upload = gl.prototype.texSubImage2D;
        gl.prototype.texSubImage2D = function (...args) {
          window.__frames.push(performance.now());
          return upload.apply(this, args);
        };
      }
      window.__keys = [];
      window.addEventListener("keydown", (event) => window.__keys.push([event.key, event.defaultPrevented]));
    });

    const canvasBox = () => page.evaluate(() => {
      const box = document.getElementById("canvas").getBoundingClientRect();
      return { x: box.x, y: box.y, width: box.width, height: box.height };
    });
    const shoot = async (file) => {
      const box = await canvasBox();
      const png = await page.screenshot({ clip: box, ...(file ? { path: path.join(out, file) } : {}) });
      return decodePng(png);
    };
    // The page point over frame point (x, y).
    const onPage = (box, x, y) => ({ x: box.x + (x * box.width) / FRAME.w, y: box.y + (y * box.height) / FRAME.h });
    const until = async (seconds, test) => {
      for (const end = Date.now() + seconds * 1000; Date.now() < end; ) {
        const result = await test();
        if (result) return result;
        await page.waitForTimeout(50);
      }
      return null;
    };

    const asked = Date.now();
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    check((await page.title()) === "Molvane", `the page is titled "${await page.title()}"`);
    const icon = await page.evaluate(() => document.querySelector("link[rel=icon]").href);
    check((await page.request.get(icon)).ok(), "the page's icon is served");

    // The title: the start picture in its own colours (red and blue in
    // place), the bat kept out of the way in the bottom right corner.
    let box = await canvasBox();
    const corner = onPage(box, 590, 670);
    await page.mouse.move(corner.x, corner.y);
    const notBat = { x: 0, y: 0, w: 480, h: 560 };
    const title = await until(20, async () => {
      const shot = await shoot();
      return distance(shot, reference.start, notBat) < 12 ? shot : null;
    });
    check(title !== null, `the title picture shows, ${((Date.now() - asked) / 1000).toFixed(1)} s after the page was asked for`);
    await shoot("title.png");
    const swapped = { ...reference.start, data: Buffer.from(reference.start.data) };
    for (let i = 0; i < swapped.data.length; i += 3) [swapped.data[i], swapped.data[i + 2]] = [swapped.data[i + 2], swapped.data[i]];
    if (title) check(distance(title, reference.start, notBat) < distance(title, swapped, notBat) / 2, "red and blue are in place");

    // The bat under the pointer, at two page sizes (bars beside the frame,
    // then above and below it): where the bat's drawn pixels change between
    // two pointer positions, compared with where the pointer was.
    let opaque = { x0: 1e9, y0: 1e9, x1: -1, y1: -1 };
    for (let y = 0; y < bat.height; y++) for (let x = 0; x < bat.width; x++) {
      if (bat.data[(y * bat.width + x) * 4 + 3] > 128) {
        opaque = { x0: Math.min(opaque.x0, x), y0: Math.min(opaque.y0, y), x1: Math.max(opaque.x1, x), y1: Math.max(opaque.y1, y) };
      }
    }
    // The middle of the bat's drawn pixels, relative to the pointer (frame pixels).
    const batMiddle = { x: (opaque.x0 + opaque.x1) / 2 - bat.width / 2, y: (opaque.y0 + opaque.y1) / 2 - bat.height / 2 };
    for (const size of [{ width: 1200, height: 700 }, { width: 480, height: 900 }]) {
      await page.setViewportSize(size);
      await page.waitForTimeout(300);
      box = await canvasBox();
      const fits = Math.abs(box.width / box.height - FRAME.w / FRAME.h) < 0.01 &&
        (Math.abs(box.width - size.width) < 2 || Math.abs(box.height - size.height) < 2) &&
        Math.abs(box.x + box.width / 2 - size.width / 2) < 2 && Math.abs(box.y + box.height / 2 - size.height / 2) < 2;
      check(fits, `at ${size.width}x${size.height} the frame fills the page in its proportions: ` +
        `${box.width.toFixed(0)}x${box.height.toFixed(0)} at ${box.x.toFixed(0)},${box.y.toFixed(0)}`);
      const spots = [{ x: 150, y: 200 }, { x: 450, y: 500 }];
      const shots = [];
      for (const spot of spots) {
        const at = onPage(box, spot.x, spot.y);
        await page.mouse.move(at.x, at.y);
        await page.waitForTimeout(150);
        shots.push(await shoot());
      }
      // Frame pixels that differ between the two shots, on the first spot's side.
      let found = { x0: 1e9, y0: 1e9, x1: -1, y1: -1 };
      for (let y = 0; y < FRAME.h / 2 + 40; y++) for (let x = 0; x < FRAME.w / 2; x++) {
        const px = Math.floor((x + 0.5) * shots[0].width / FRAME.w), py = Math.floor((y + 0.5) * shots[0].height / FRAME.h);
        const a = pixel(shots[0], px, py), b = pixel(shots[1], px, py);
        if (Math.abs(a[0] - b[0]) + Math.abs(a[1] - b[1]) + Math.abs(a[2] - b[2]) > 60) {
          found = { x0: Math.min(found.x0, x), y0: Math.min(found.y0, y), x1: Math.max(found.x1, x), y1: Math.max(found.y1, y) };
        }
      }
      const middle = { x: (found.x0 + found.x1) / 2 - batMiddle.x, y: (found.y0 + found.y1) / 2 - batMiddle.y };
      const off = Math.hypot(middle.x - spots[0].x, middle.y - spots[0].y);
      check(found.x1 >= 0 && off < 4, `at ${size.width}x${size.height} the bat is drawn where the pointer is: ` +
        `pointer at frame ${spots[0].x},${spots[0].y}, bat at ${middle.x.toFixed(1)},${middle.y.toFixed(1)}`);
    }
    await shoot("pointer.png");

    // Space starts the countdown: the holes are drawn, empty, over the title.
    await page.setViewportSize({ width: 1000, height: 800 });
    await page.waitForTimeout(200);
    box = await canvasBox();
    const away = onPage(box, 590, 670);
    await page.mouse.move(away.x, away.y);
    // Headless Chromium lets a page's sound start unasked; a browser with its
    // usual settings holds it until the player acts, as it is held here.
    const soundState = (hold) => page.evaluate(async (hold) => {
      const audio = window.Module.SDL2 && window.Module.SDL2.audioContext;
      if (audio && hold) await audio.suspend();
      return audio ? audio.state : "none";
    }, hold);
    const soundBefore = await soundState(true);
    const scrollBefore = await page.evaluate(() => [window.scrollX, window.scrollY]);
    await page.keyboard.press("m");
    await page.keyboard.press("m");
    await page.keyboard.press("Space");
    const hole = (i) => ({ x: (i % 3) * 200, y: 80 + Math.floor(i / 3) * 200, w: 200, h: 200 });
    const countdown = await until(5, async () => ((distance(await shoot(), reference.empty, hole(0)) < 14) ? true : null));
    check(countdown !== null, "Space starts the countdown (the top left hole shows, empty)");
    await shoot("countdown.png");
    const keys = await page.evaluate(() => window.__keys);
    check(keys.length === 3 && keys.every(([, prevented]) => prevented), `the page does not act on the game's keys: ${JSON.stringify(keys)}`);
    const scrollAfter = await page.evaluate(() => [window.scrollX, window.scrollY]);
    check(JSON.stringify(scrollBefore) === JSON.stringify(scrollAfter), "the page did not scroll");
    const soundAfter = await soundState(false);
    log(`sound: the audio context was ${soundBefore} (held) before the first key, ${soundAfter} after it`);
    check(soundBefore === "suspended" && soundAfter === "running", "the sound begins with the first key press");

    // A strike on a rabbit that is up: with the mouse, then with a finger.
    // A rabbit may hide between the screenshot that saw it and the strike;
    // then another is tried, a few times at most.
    for (const how of ["click", "tap"]) {
      const tries = [];
      let cried = null;
      for (let attempt = 0; attempt < 4 && !cried; attempt++) {
        const struck = await until(15, async () => {
          const shot = await shoot();
          for (let i = 0; i < 9; i++) {
            const pose = distance(shot, reference.pose, hole(i), { x: hole(i).x + 50, y: hole(i).y + 50, w: 100, h: 100 });
            if (pose > 14) continue;
            const at = onPage(await canvasBox(), hole(i).x + 100, hole(i).y + 110);
            if (how === "click") await page.mouse.click(at.x, at.y);
            else await page.touchscreen.tap(at.x, at.y);
            return i;
          }
          return null;
        });
        if (struck === null) break;
        const area = hole(struck);
        // The bat covers the middle of the hole; the rest shows the rabbit.
        const middle = { x: area.x + 40, y: area.y + 50, w: 120, h: 120 };
        cried = await until(1, async () => (distance(await shoot(), reference.cry, area, middle) < 14 ? struck : null));
        if (cried === null) {
          const shot = await shoot();
          tries.push(`hole ${struck + 1} then showed ` + ["empty", "pose", "cry", "cool", "heart"]
            .map((name) => `${name} ${distance(shot, reference[name], area, middle).toFixed(1)}`).join(" "));
        }
      }
      check(cried !== null, `a ${how} on a rabbit that is up makes it cry` +
        (cried !== null ? ` (hole ${cried + 1})` : "") + (tries.length ? `; missed first: ${tries.join("; ")}` : ""));
      await shoot(`${how}.png`);
    }
    // The frame rate, through play and whatever screen follows it.
    const rate = await page.evaluate(async (seconds) => {
      const from = window.__frames.length;
      const t0 = performance.now();
      await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
      const frames = window.__frames.slice(from);
      const gaps = frames.slice(1).map((t, i) => t - frames[i]).sort((a, b) => a - b);
      return { fps: frames.length / ((performance.now() - t0) / 1000), worst: gaps[gaps.length - 1], median: gaps[gaps.length >> 1] };
    }, FPS_SECONDS);
    check(rate.fps >= 55 && rate.fps <= 62, `${rate.fps.toFixed(1)} frames a second over ${FPS_SECONDS} s ` +
      `(median gap ${rate.median.toFixed(1)} ms, longest ${rate.worst.toFixed(1)} ms)`);

    // Escape and F11 last, as they change the screen: kept from the page too.
    await page.keyboard.press("Escape");
    await page.keyboard.press("F11");
    const lastKeys = (await page.evaluate(() => window.__keys)).slice(3);
    check(lastKeys.length === 2 && lastKeys.every(([, prevented]) => prevented),
      `the page does not act on Escape and F11: ${JSON.stringify(lastKeys)}`);
    await page.waitForTimeout(500);
    check(errors.length === 0, `no errors on the page${errors.length ? ": " + errors.join(" | ") : ""}`);
  } finally {
    await context.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  const passed = failures.length === 0;
  console.log(`web: ${passed ? "all checks passed" : failures.length + " check(s) failed"} in ${((Date.now() - started) / 1000).toFixed(1)} s`);
  process.exit(passed ? 0 : 1);
}

main().catch((error) => {
  console.error(`web: ${error.stack || error}`);
  process.exit(1);
});
