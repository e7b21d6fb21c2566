// Plays the web build in headless Chromium as a player would, and fails
// unless: the title picture shows in its own colours, scaled to fit the page;
// the bat is drawn under the pointer at two page sizes; the game's keys are
// kept from the page; Space starts the countdown; the sound starts with the
// first key; a click and a touch tap on a rabbit that is up make it cry; the
// frames come near 60 a second.
//
//   node tools/ci/web_check.cjs SITE_DIR ASSET_DIR OUT_DIR
// with MOLVANE_PLAYWRIGHT naming playwright-core's folder and CHROMIUM the
// browser (default /usr/bin/chromium). Screenshots go to OUT_DIR.
"use strict";
const fs = require("node:fs");
const http = require("node:http");
const os = require("node:os");
const path = require("node:path");
const { execFileSync } = require("node:child_process");
const { chromium } = require(process.env.MOLVANE_PLAYWRIGHT || "playwright-core");

const [site, assets, out] = process.argv.slice(2);
const W = 600, H = 680; // the game's frame
const FPS_SECONDS = Number(process.env.MOLVANE_FPS_SECONDS || 5);
const started = Date.now();
const seconds = (since) => ((Date.now() - since) / 1000).toFixed(1);
const log = (text) => console.log(`web: ${seconds(started)} s: ${text}`);
const failures = [];
const check = (ok, text) => {
  log(`${ok ? "ok" : "FAILED"}: ${text}`);
  if (!ok) failures.push(text);
  return ok;
};

// A picture (a file, or PNG bytes) as 8-bit RGB at the frame's size.
function picture(input) {
  const args = [Buffer.isBuffer(input) ? "png:-" : input, "-resize", `${W}x${H}!`, "-depth", "8", "rgb:-"];
  return execFileSync("convert", args, { input: Buffer.isBuffer(input) ? input : undefined, maxBuffer: 1 << 26 });
}

// The mean difference of a colour channel (0 to 255) between `shot` and
// `reference` over every other pixel of `area` (frame pixels) outside `skip`.
// `reference` is the picture of that area alone; `swap` swaps its red and blue.
function distance(shot, reference, area, skip = null, swap = false) {
  let sum = 0, count = 0;
  for (let y = area.y; y < area.y + area.h; y += 2) {
    for (let x = area.x; x < area.x + area.w; x += 2) {
      if (skip && x >= skip.x && x < skip.x + skip.w && y >= skip.y && y < skip.y + skip.h) continue;
      const a = (y * W + x) * 3, b = ((y - area.y) * area.w + (x - area.x)) * 3;
      for (let c = 0; c < 3; c++) sum += Math.abs(shot[a + c] - reference[b + (swap ? 2 - c : c)]);
      count += 3;
    }
  }
  return sum / count;
}

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
  const hole = (i) => ({ x: (i % 3) * 200, y: 80 + Math.floor(i / 3) * 200, w: 200, h: 200 });
  const reference = { start: picture(path.join(assets, "image_start.jpg")) };
  for (const name of ["empty", "pose", "cry", "cool", "heart"]) {
    reference[name] = execFileSync("convert", [path.join(assets, `image_${name}.jpg`), "-depth", "8", "rgb:-"]);
  }
  // The bat's picture (the pointer at its middle) and the box of its drawn pixels in it.
  const [iw, ih, bw, bh, bx, by] = execFileSync("convert", [path.join(assets, "image_ready.png"), "-alpha", "extract",
    "-threshold", "50%", "-format", "%w %h %@", "info:"]).toString().match(/\d+/g).map(Number);

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
      const upload = WebGLRenderingContext.prototype.texSubImage2D;
      WebGLRenderingContext.prototype.texSubImage2D = function (...args) {
        window.__frames.push(performance.now());
        return upload.apply(this, args);
      };
      window.__keys = [];
      window.addEventListener("keydown", (event) => window.__keys.push([event.key, event.defaultPrevented]));
    });
    const canvasBox = () => page.evaluate(() => {
      const { x, y, width, height } = document.getElementById("canvas").getBoundingClientRect();
      return { x, y, width, height };
    });
    // The canvas as shown, at the frame's size.
    const shoot = async (file) => {
      const png = await page.screenshot({ clip: await canvasBox(), ...(file ? { path: path.join(out, file) } : {}) });
      return picture(png);
    };
    // The page point over frame point (x, y).
    const onPage = (box, x, y) => ({ x: box.x + (x * box.width) / W, y: box.y + (y * box.height) / H });
    const moveTo = async (x, y) => {
      const at = onPage(await canvasBox(), x, y);
      await page.mouse.move(at.x, at.y);
    };
    const until = async (limit, test) => {
      for (const end = Date.now() + limit * 1000; Date.now() < end; await page.waitForTimeout(50)) {
        const result = await test();
        if (result !== null) return result;
      }
      return null;
    };
    const keys = () => page.evaluate(() => window.__keys.splice(0));
    // Headless Chromium starts a page's sound unasked; a browser with its
    // usual settings holds it until the player acts, as it is held here.
    const sound = (hold) => page.evaluate(async (hold) => {
      const audio = window.Module.SDL2 && window.Module.SDL2.audioContext;
      if (audio && hold) await audio.suspend();
      return audio ? audio.state : "none";
    }, hold);

    const asked = Date.now();
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    check((await page.title()) === "Molvane", `the page is titled "${await page.title()}"`);
    const icon = await page.evaluate(() => document.querySelector("link[rel=icon]").href);
    check((await page.request.get(icon)).ok(), "the page's icon is served");

    // The title, with the bat out of the way in the bottom right corner.
    await moveTo(590, 670);
    const frame = { x: 0, y: 0, w: W, h: H }, notBat = { x: 480, y: 560, w: 120, h: 120 };
    const title = await until(20, async () => {
      const shot = await shoot();
      return distance(shot, reference.start, frame, notBat) < 12 ? shot : null;
    });
    check(title !== null, `the title picture shows, ${seconds(asked)} s after the page was asked for`);
    await shoot("title.png");
    if (title) {
      check(distance(title, reference.start, frame, notBat) < distance(title, reference.start, frame, notBat, true) / 2,
        "red and blue are in place");
    }

    // The bat under the pointer, with bars beside the frame, then above and
    // below it: the pixels that change between two pointer positions, on the
    // first one's side, are the bat's drawn pixels there.
    for (const size of [{ width: 1200, height: 700 }, { width: 480, height: 900 }]) {
      await page.setViewportSize(size);
      await page.waitForTimeout(300);
      const box = await canvasBox();
      const fits = Math.abs(box.width / box.height - W / H) < 0.01 &&
        (Math.abs(box.width - size.width) < 2 || Math.abs(box.height - size.height) < 2) &&
        Math.abs(box.x + box.width / 2 - size.width / 2) < 2 && Math.abs(box.y + box.height / 2 - size.height / 2) < 2;
      check(fits, `at ${size.width}x${size.height} the frame fills the page in its proportions: ` +
        `${box.width.toFixed(0)}x${box.height.toFixed(0)} at ${box.x.toFixed(0)},${box.y.toFixed(0)}`);
      const shots = [];
      for (const [x, y] of [[150, 200], [450, 500]]) {
        await moveTo(x, y);
        await page.waitForTimeout(150);
        shots.push(await shoot());
      }
      const seen = { x0: W, y0: H, x1: -1, y1: -1 };
      for (let y = 0; y < H / 2 + 40; y++) for (let x = 0; x < W / 2; x++) {
        const a = (y * W + x) * 3;
        let change = 0;
        for (let c = 0; c < 3; c++) change += Math.abs(shots[0][a + c] - shots[1][a + c]);
        if (change > 60) Object.assign(seen, { x0: Math.min(seen.x0, x), y0: Math.min(seen.y0, y), x1: Math.max(seen.x1, x), y1: Math.max(seen.y1, y) });
      }
      // The pointer under the bat's drawn pixels, as the game places the bat.
      const pointer = { x: (seen.x0 + seen.x1) / 2 - (bx + (bw - 1) / 2 - iw / 2), y: (seen.y0 + seen.y1) / 2 - (by + (bh - 1) / 2 - ih / 2) };
      check(seen.x1 >= 0 && Math.hypot(pointer.x - 150, pointer.y - 200) < 4, `at ${size.width}x${size.height} the bat ` +
        `is drawn where the pointer is: pointer at frame 150,200, the bat drawn for ${pointer.x.toFixed(1)},${pointer.y.toFixed(1)}`);
    }
    await shoot("pointer.png");

    // Space starts the countdown: the holes are drawn, empty, over the title.
    await page.setViewportSize({ width: 1000, height: 800 });
    await page.waitForTimeout(200);
    await moveTo(590, 670);
    const soundBefore = await sound(true);
    const scrolled = () => page.evaluate(() => window.scrollX + window.scrollY);
    await page.keyboard.press("m");
    await page.keyboard.press("m");
    await page.keyboard.press("Space");
    const countdown = await until(5, async () => (distance(await shoot(), reference.empty, hole(0)) < 14 ? true : null));
    check(countdown !== null, "Space starts the countdown (the top left hole shows, empty)");
    await shoot("countdown.png");
    const pressed = await keys();
    check(pressed.length === 3 && pressed.every(([, kept]) => kept) && (await scrolled()) === 0,
      `the page does not act on Space and M, nor scrolls: ${JSON.stringify(pressed)}`);
    const soundAfter = await sound(false);
    check(soundBefore === "suspended" && soundAfter === "running",
      `the sound begins with the first key: ${soundBefore} (held) before it, ${soundAfter} after it`);

    // A strike on a rabbit that is up, with the mouse, then with a finger. A
    // rabbit may hide between the screenshot that saw it and the strike: then
    // another is tried, a few times at most.
    const names = ["empty", "pose", "cry", "cool", "heart"];
    for (const how of ["click", "tap"]) {
      const misses = [];
      let cried = null;
      for (let attempt = 0; attempt < 4 && cried === null; attempt++) {
        const struck = await until(15, async () => {
          const shot = await shoot();
          for (let i = 0; i < 9; i++) {
            const middle = { x: hole(i).x + 50, y: hole(i).y + 50, w: 100, h: 100 };
            if (distance(shot, reference.pose, hole(i), middle) > 14) continue;
            const at = onPage(await canvasBox(), hole(i).x + 100, hole(i).y + 110);
            await (how === "click" ? page.mouse.click(at.x, at.y) : page.touchscreen.tap(at.x, at.y));
            return i;
          }
          return null;
        });
        if (struck === null) break;
        // The bat covers the middle of the hole; the rest shows the rabbit.
        const area = hole(struck), middle = { x: area.x + 40, y: area.y + 50, w: 120, h: 120 };
        cried = await until(1, async () => (distance(await shoot(), reference.cry, area, middle) < 14 ? struck : null));
        if (cried === null) {
          const shot = await shoot();
          misses.push(`hole ${struck + 1}: ` + names.map((n) => `${n} ${distance(shot, reference[n], area, middle).toFixed(1)}`).join(" "));
        }
      }
      check(cried !== null, `a ${how} on a rabbit that is up makes it cry` + (cried !== null ? ` (hole ${cried + 1})` : "") +
        (misses.length ? `; the holes' distances from each picture after the misses first: ${misses.join("; ")}` : ""));
      await shoot(`${how}.png`);
    }

    // The frame rate, through play and whatever screen follows it.
    const rate = await page.evaluate(async (limit) => {
      const from = window.__frames.length, t0 = performance.now();
      await new Promise((resolve) => setTimeout(resolve, limit * 1000));
      const frames = window.__frames.slice(from);
      const gaps = frames.slice(1).map((t, i) => t - frames[i]).sort((a, b) => a - b);
      return { fps: frames.length / ((performance.now() - t0) / 1000), worst: gaps[gaps.length - 1], median: gaps[gaps.length >> 1] };
    }, FPS_SECONDS);
    check(rate.fps >= 55 && rate.fps <= 62, `${rate.fps.toFixed(1)} frames a second over ${FPS_SECONDS} s ` +
      `(median gap ${rate.median.toFixed(1)} ms, longest ${rate.worst.toFixed(1)} ms)`);

    // Escape and F11 last, as they change the screen: kept from the page too.
    await page.keyboard.press("Escape");
    await page.keyboard.press("F11");
    const last = await keys();
    check(last.length === 2 && last.every(([, kept]) => kept), `the page does not act on Escape and F11: ${JSON.stringify(last)}`);
    await page.waitForTimeout(500);
    check(errors.length === 0, `no errors on the page${errors.length ? ": " + errors.join(" | ") : ""}`);
  } finally {
    await context.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  console.log(`web: ${failures.length ? failures.length + " check(s) failed" : "all checks passed"} in ${seconds(started)} s`);
  process.exit(failures.length ? 1 : 0);
}

main().catch((error) => {
  console.error(`web: ${error.stack || error}`);
  process.exit(1);
});
