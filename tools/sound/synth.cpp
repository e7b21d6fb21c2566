// Molvane sound synthesiser.
//
// Renders every sound effect and both tunes of the game as 16-bit PCM WAV at
// 44100 Hz.  Everything is made from oscillators, noise, envelopes and filters
// written here; the tunes are written as scores (see scores.h).
//
//   synth <name> <out.wav>     render one sound (16-bit PCM)
//   synth <name> <out.wav> --ima   the same as mono IMA ADPCM
//   synth list                 print the names
//
// Tunes are rendered three times in a row and the middle pass is kept, so the
// tails of the last notes and the reverb ring into the start of the loop: the
// file loops with no gap and no click.
//
// Output is deterministic (fixed noise seeds).

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

static const int SR = 44100;
static const double PI = 3.14159265358979323846;
static const double TAU = 2.0 * PI;

typedef std::vector<float> Buf;

// ---------------------------------------------------------------- basics

struct Noise {
    uint32_t s;
    explicit Noise(uint32_t seed) : s(seed ? seed : 1) {}
    float operator()() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return (float)((s >> 8) * (1.0 / 8388608.0) - 1.0);
    }
};

static double midi_hz(double m) { return 440.0 * std::pow(2.0, (m - 69.0) / 12.0); }
static int secs(double s) { return (int)std::lround(s * SR); }
static double db(double d) { return std::pow(10.0, d / 20.0); }

// polyBLEP band-limited step correction
static double blep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Osc {
    double ph = 0.0;
    double sine(double f) {
        double v = std::sin(TAU * ph);
        adv(f);
        return v;
    }
    double tri(double f) {
        double v = ph < 0.5 ? 4.0 * ph - 1.0 : 3.0 - 4.0 * ph;
        adv(f);
        return v;
    }
    double saw(double f) {
        double dt = f / SR;
        double v = 2.0 * ph - 1.0 - blep(ph, dt);
        adv(f);
        return v;
    }
    double pulse(double f, double pw) {
        double dt = f / SR;
        double v = ph < pw ? 1.0 : -1.0;
        v += blep(ph, dt);
        double t2 = ph - pw;
        if (t2 < 0) t2 += 1.0;
        v -= blep(t2, dt);
        adv(f);
        return v;
    }
    void adv(double f) {
        ph += f / SR;
        ph -= std::floor(ph);
    }
};

// one-pole low-pass / high-pass
struct OnePole {
    double y = 0.0;
    double lp(double x, double fc) {
        double a = 1.0 - std::exp(-TAU * fc / SR);
        y += a * (x - y);
        return y;
    }
    double hp(double x, double fc) { return x - lp(x, fc); }
};

// Chamberlin state-variable filter (2x oversampled for stability)
struct SVF {
    double low = 0, band = 0;
    double run(double x, double fc, double q, int mode) {  // 0 low 1 band 2 high
        if (fc > SR * 0.2) fc = SR * 0.2;
        double f = 2.0 * std::sin(PI * fc / (2.0 * SR));
        double damp = 1.0 / q, high = 0;
        for (int i = 0; i < 2; ++i) {
            low += f * band;
            high = x - low - damp * band;
            band += f * high;
        }
        return mode == 0 ? low : mode == 1 ? band : high;
    }
};

// ADSR envelope value at time t for a note gated for `gate` seconds
static double adsr(double t, double gate, double a, double d, double s, double r) {
    auto level = [&](double u) {
        if (u < a) return u / a;
        u -= a;
        if (u < d) return 1.0 + (s - 1.0) * (1.0 - std::exp(-4.0 * u / d)) / (1.0 - std::exp(-4.0));
        return s;
    };
    if (t < gate) return level(t);
    double g = level(gate), u = t - gate;
    if (u >= r) return 0.0;
    return g * std::exp(-5.0 * u / r) * (1.0 - u / r);
}

static void add_at(Buf& dst, const Buf& src, long at, double gain = 1.0) {
    for (size_t i = 0; i < src.size(); ++i) {
        long j = at + (long)i;
        if (j >= 0 && j < (long)dst.size()) dst[j] += (float)(src[i] * gain);
    }
}

static double peak(const Buf& b) {
    double p = 0;
    for (float v : b) p = std::max(p, (double)std::fabs(v));
    return p;
}

static void normalise(Buf& b, double peak_db) {
    double p = peak(b);
    if (p <= 0) return;
    double g = db(peak_db) / p;
    for (float& v : b) v = (float)(v * g);
}

// RMS of the loudest 50 ms of a sound
static double loudest_50ms(const Buf& b) {
    const int w = secs(0.05), hop = secs(0.005);
    double best = 1e-9;
    for (size_t i = 0; i + w <= b.size() || i == 0; i += hop) {
        double acc = 0;
        size_t n = 0;
        for (size_t j = i; j < i + w && j < b.size(); ++j, ++n) acc += (double)b[j] * b[j];
        if (n) best = std::max(best, std::sqrt(acc / n));
        if (i + w >= b.size()) break;
    }
    return best;
}

// gentle saturation: a denser, punchier sound for the same peak
static void drive(Buf& b, double amount) {
    double p = peak(b);
    if (p <= 0) return;
    for (float& v : b) v = (float)(std::tanh(amount * v / p) / std::tanh(amount) * p);
}

// short fades so an effect never starts or ends on a step
static void fade_edges(Buf& b, double in_s, double out_s) {
    int ni = secs(in_s), no = secs(out_s);
    for (int i = 0; i < ni && i < (int)b.size(); ++i) b[i] *= (float)i / ni;
    for (int i = 0; i < no && i < (int)b.size(); ++i) b[b.size() - 1 - i] *= (float)i / no;
}

// ---------------------------------------------------------------- reverb
// A small Schroeder/Freeverb-style room: 4 combs + 2 allpasses per side.
struct Reverb {
    struct Comb {
        std::vector<float> d;
        size_t i = 0;
        float fb, damp, st = 0;
        float run(float x) {
            float y = d[i];
            st = y * (1 - damp) + st * damp;
            d[i] = x + st * fb;
            if (++i >= d.size()) i = 0;
            return y;
        }
    };
    struct AP {
        std::vector<float> d;
        size_t i = 0;
        float run(float x) {
            float b = d[i];
            float y = -x + b;
            d[i] = x + b * 0.5f;
            if (++i >= d.size()) i = 0;
            return y;
        }
    };
    Comb c[2][4];
    AP a[2][2];
    Reverb(double size, double damp) {
        const int cl[4] = {1116, 1188, 1277, 1356}, al[2] = {556, 441};
        for (int s = 0; s < 2; ++s) {
            for (int k = 0; k < 4; ++k) {
                c[s][k].d.assign((size_t)((cl[k] + s * 23) * size), 0.f);
                c[s][k].fb = 0.78f;
                c[s][k].damp = (float)damp;
            }
            for (int k = 0; k < 2; ++k) a[s][k].d.assign(al[k] + s * 23, 0.f);
        }
    }
    void run(float x, float& l, float& r) {
        float o[2];
        for (int s = 0; s < 2; ++s) {
            float acc = 0;
            for (int k = 0; k < 4; ++k) acc += c[s][k].run(x);
            for (int k = 0; k < 2; ++k) acc = a[s][k].run(acc);
            o[s] = acc * 0.25f;
        }
        l = o[0];
        r = o[1];
    }
};

// ---------------------------------------------------------------- instruments
// Each returns a mono note including its release tail.

// bright square-ish lead with delayed vibrato
static Buf lead(double f, double gate, double vel) {
    double rel = 0.09;
    int n = secs(gate + rel);
    Buf b(n);
    Osc o1, o2;
    OnePole lp;
    o2.ph = 0.3;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double vib = 1.0 + 0.006 * std::min(1.0, std::max(0.0, (t - 0.18) * 4)) * std::sin(TAU * 5.5 * t);
        double pw = 0.30 + 0.08 * std::sin(TAU * 0.7 * t);
        double v = 0.7 * o1.pulse(f * vib, pw) + 0.35 * o2.saw(f * vib * 1.003);
        double cut = 1800 + 3500 * std::exp(-t * 9.0);
        v = lp.lp(v, cut);
        b[i] = (float)(v * vel * adsr(t, gate, 0.006, 0.12, 0.65, rel));
    }
    return b;
}

// marimba: sine with a quickly dying 4th partial and a tiny mallet click
static Buf marimba(double f, double gate, double vel) {
    (void)gate;
    double len = 0.55;
    int n = secs(len);
    Buf b(n);
    Osc a, c, d;
    Noise nz(77);
    OnePole hp;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double v = a.sine(f) * std::exp(-t * 7.0) + 0.45 * c.sine(f * 3.93) * std::exp(-t * 38.0) +
                   0.18 * d.sine(f * 9.2) * std::exp(-t * 90.0) + 0.25 * hp.hp(nz(), 2000) * std::exp(-t * 400.0);
        double att = std::min(1.0, t / 0.002);
        b[i] = (float)(v * vel * att);
    }
    return b;
}

// glockenspiel / bell: two-operator FM with a long decay
static Buf bell(double f, double len, double vel, double bright = 1.0) {
    int n = secs(len);
    Buf b(n);
    double pc = 0, pm = 0, p2 = 0;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double idx = bright * 1.6 * std::exp(-t * 7.0);
        double v = std::sin(TAU * pc + idx * std::sin(TAU * pm)) + 0.22 * std::sin(TAU * p2) * std::exp(-t * 6.0);
        pc += f / SR;
        pm += f * 3.5 / SR;
        p2 += f * 2.76 / SR;
        pc -= std::floor(pc);
        pm -= std::floor(pm);
        p2 -= std::floor(p2);
        double env = std::min(1.0, t / 0.0015) * std::exp(-t * 4.5 / len);
        b[i] = (float)(v * env * vel);
    }
    return b;
}

// plucked / picked bass: triangle + filtered saw
static Buf bass(double f, double gate, double vel) {
    double rel = 0.05;
    int n = secs(gate + rel);
    Buf b(n);
    Osc o1, o2;
    OnePole lp, lp2;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double v = 0.8 * o1.tri(f) + 0.35 * o2.saw(f);
        double cut = 350 + 1400 * std::exp(-t * 14.0);
        v = lp2.lp(lp.lp(v, cut), cut * 1.5);
        b[i] = (float)(v * vel * adsr(t, gate, 0.004, 0.25, 0.55, rel) * 1.6);
    }
    return b;
}

// soft chord stab (organ-ish, two detuned saws low-passed)
static Buf stab(double f, double gate, double vel) {
    double rel = 0.08;
    int n = secs(gate + rel);
    Buf b(n);
    Osc o1, o2;
    OnePole lp;
    o2.ph = 0.5;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double v = o1.saw(f * 0.997) + o2.saw(f * 1.004);
        v = lp.lp(v, 900 + 1600 * std::exp(-t * 20.0));
        b[i] = (float)(v * vel * adsr(t, gate, 0.004, 0.09, 0.35, rel) * 0.5);
    }
    return b;
}

// soft flute for held counter-melodies: sine with a little breath and vibrato
static Buf flute(double f, double gate, double vel) {
    double rel = 0.12;
    int n = secs(gate + rel);
    Buf b(n);
    Osc o1, o2, o3;
    Noise nz(91);
    SVF br;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double vib = 1.0 + 0.004 * std::min(1.0, t * 3) * std::sin(TAU * 5.0 * t);
        double v = o1.sine(f * vib) + 0.22 * o2.sine(2 * f * vib) + 0.08 * o3.sine(3 * f * vib) +
                   0.06 * br.run(nz(), f * 2, 4, 1);
        b[i] = (float)(v * vel * adsr(t, gate, 0.05, 0.2, 0.85, rel));
    }
    return b;
}

// ukulele-like pluck for the title tune's chords (Karplus-Strong)
static Buf pluck(double f, double gate, double vel, uint32_t seed) {
    (void)gate;
    int n = secs(0.6);
    Buf b(n);
    int p = std::max(2, (int)std::lround(SR / f));
    std::vector<float> d(p);
    Noise nz(seed);
    OnePole lp;
    for (int i = 0; i < p; ++i) d[i] = (float)lp.lp(nz(), 3500);
    size_t k = 0;
    float prev = 0;
    for (int i = 0; i < n; ++i) {
        float x = d[k];
        d[k] = 0.996f * 0.5f * (x + prev);
        prev = x;
        if (++k >= (size_t)p) k = 0;
        b[i] = (float)(x * vel);
    }
    return b;
}

// brass for the fanfares: saw with an opening filter
static Buf brass(double f, double gate, double vel) {
    double rel = 0.12;
    int n = secs(gate + rel);
    Buf b(n);
    Osc o1, o2, o3;
    OnePole lp, lp2;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double vib = 1.0 + 0.005 * std::min(1.0, std::max(0.0, (t - 0.25) * 3)) * std::sin(TAU * 5.2 * t);
        double v = o1.saw(f * vib) + 0.6 * o2.saw(f * vib * 1.006) + 0.3 * o3.pulse(f * vib * 0.5, 0.5);
        double e = adsr(t, gate, 0.03, 0.2, 0.8, rel);
        double cut = 500 + 3200 * e * (0.6 + 0.4 * std::exp(-t * 3));
        v = lp2.lp(lp.lp(v, cut), cut);
        b[i] = (float)(v * vel * e * 0.6);
    }
    return b;
}

// ---------------------------------------------------------------- drums
static Buf kick(double vel) {
    int n = secs(0.32);
    Buf b(n);
    Osc o;
    Noise nz(11);
    OnePole lp;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double f = 48 + 110 * std::exp(-t * 28.0);
        double v = o.sine(f) * std::exp(-t * 9.0) + 0.3 * lp.lp(nz(), 1200) * std::exp(-t * 120.0);
        b[i] = (float)(v * vel * std::min(1.0, t / 0.001));
    }
    return b;
}
static Buf snare(double vel) {
    int n = secs(0.25);
    Buf b(n);
    Osc o;
    Noise nz(23);
    SVF bp;
    OnePole hp;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double tone = o.tri(185 + 40 * std::exp(-t * 40)) * std::exp(-t * 28.0);
        double ns = bp.run(hp.hp(nz(), 600), 3200, 0.7, 1) * std::exp(-t * 18.0);
        b[i] = (float)((0.55 * tone + 1.2 * ns) * vel);
    }
    return b;
}
static Buf hat(double vel, double len = 0.05) {
    int n = secs(len + 0.02);
    Buf b(n);
    Noise nz(37);
    SVF f;
    OnePole hp;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double v = f.run(hp.hp(nz(), 6000), 9000, 0.8, 2);
        b[i] = (float)(v * vel * std::exp(-t * 4.0 / len) * 0.5);
    }
    return b;
}
static Buf shaker(double vel) {
    int n = secs(0.09);
    Buf b(n);
    Noise nz(41);
    SVF f;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double env = std::min(1.0, t / 0.012) * std::exp(-t * 45.0);
        b[i] = (float)(f.run(nz(), 7000, 1.2, 1) * vel * env * 0.8);
    }
    return b;
}
static Buf clap(double vel) {
    int n = secs(0.22);
    Buf b(n);
    Noise nz(53);
    SVF f;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double env = 0;
        for (int k = 0; k < 3; ++k) {
            double u = t - k * 0.011;
            if (u >= 0) env = std::max(env, std::exp(-u * 180.0));
        }
        double u = t - 0.022;
        if (u >= 0) env = std::max(env, 0.8 * std::exp(-u * 22.0));
        b[i] = (float)(f.run(nz(), 1300, 1.5, 1) * vel * env * 1.4);
    }
    return b;
}
static Buf crash(double vel) {
    int n = secs(1.8);
    Buf b(n);
    Noise nz(61);
    OnePole hp;
    SVF f;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double v = f.run(hp.hp(nz(), 4000), 7000, 0.6, 1) + 0.3 * hp.y;
        b[i] = (float)(v * vel * std::exp(-t * 2.4) * std::min(1.0, t / 0.002) * 0.8);
    }
    return b;
}
static Buf tom(double f0, double vel) {
    int n = secs(0.35);
    Buf b(n);
    Osc o;
    Noise nz(71);
    OnePole lp;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double v = o.sine(f0 * (1 + 0.5 * std::exp(-t * 30))) * std::exp(-t * 8.0) +
                   0.2 * lp.lp(nz(), 2000) * std::exp(-t * 60);
        b[i] = (float)(v * vel);
    }
    return b;
}

// ---------------------------------------------------------------- scores
struct Note {
    int start;
    int len;
    std::vector<int> keys;
};

static int parse_key(const std::string& s) {
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    size_t i = 0;
    char c = (char)std::toupper(s[i++]);
    if (c < 'A' || c > 'G') {
        std::fprintf(stderr, "bad note '%s'\n", s.c_str());
        std::exit(2);
    }
    int k = base[c - 'A'];
    while (i < s.size() && (s[i] == '#' || s[i] == 'b')) {
        k += s[i] == '#' ? 1 : -1;
        ++i;
    }
    int oct = std::atoi(s.c_str() + i);
    return k + 12 * (oct + 1);
}

// Score text: tokens "E5:2" (note, length in sixteenths), "C4+E4+G4:8" (chord),
// "r:4" (rest); the length may be left out to reuse the last one.  "|" is a bar
// line: every bar must add up to 16 sixteenths, or the program stops.
static std::vector<Note> parse_score(const std::string& text, const char* what) {
    std::vector<Note> out;
    std::istringstream in(text);
    std::string tok;
    int pos = 0, bar_start = 0, len = 4, bar = 1;
    while (in >> tok) {
        if (tok == "|") {
            if (pos - bar_start != 16) {
                std::fprintf(stderr, "%s: bar %d has %d sixteenths\n", what, bar, pos - bar_start);
                std::exit(2);
            }
            bar_start = pos;
            ++bar;
            continue;
        }
        std::string name = tok;
        size_t c = tok.find(':');
        if (c != std::string::npos) {
            name = tok.substr(0, c);
            len = std::atoi(tok.c_str() + c + 1);
        }
        if (name != "r") {
            Note n;
            n.start = pos;
            n.len = len;
            size_t a = 0;
            while (a <= name.size()) {
                size_t p = name.find('+', a);
                if (p == std::string::npos) p = name.size();
                n.keys.push_back(parse_key(name.substr(a, p - a)));
                a = p + 1;
            }
            out.push_back(n);
        }
        pos += len;
    }
    if (pos != bar_start) {
        std::fprintf(stderr, "%s: last bar not closed with |\n", what);
        std::exit(2);
    }
    return out;
}

static int score_bars(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '|';
    return n;
}

// chord symbols -> mid-register voicings
static std::vector<int> voicing(const std::string& sym) {
    static std::map<std::string, std::string> v = {
        {"C", "E4+G4+C5"},  {"Am", "E4+A4+C5"},  {"F", "F4+A4+C5"},  {"G", "D4+G4+B4"},  {"Em", "E4+G4+B4"},
        {"D", "D4+F#4+A4"}, {"D7", "D4+F#4+C5"}, {"Dm", "D4+F4+A4"}, {"G7", "D4+F4+B4"}, {"E7", "E4+G#4+D5"},
    };
    auto it = v.find(sym);
    if (it == v.end()) {
        std::fprintf(stderr, "unknown chord %s\n", sym.c_str());
        std::exit(2);
    }
    std::vector<int> k;
    std::string s = it->second;
    size_t a = 0;
    while (a <= s.size()) {
        size_t p = s.find('+', a);
        if (p == std::string::npos) p = s.size();
        k.push_back(parse_key(s.substr(a, p - a)));
        a = p + 1;
    }
    return k;
}

#include "scores.h"

// ---------------------------------------------------------------- mixing
struct Mix {
    Buf l, r, send;  // send goes to the reverb
    long n;
    explicit Mix(long n_) : l(n_), r(n_), send(n_), n(n_) {}
    void add(const Buf& b, long at, double gain, double pan, double rev) {
        double gl = std::cos((pan + 1) * PI / 4), gr = std::sin((pan + 1) * PI / 4);
        add_at(l, b, at, gain * gl * 1.414);
        add_at(r, b, at, gain * gr * 1.414);
        add_at(send, b, at, gain * rev);
    }
    void finish(double size, double damp, double wet) {
        Reverb rv(size, damp);
        OnePole hl, hr;
        for (long i = 0; i < n; ++i) {
            float a, b;
            rv.run(send[i], a, b);
            l[i] += (float)(a * wet);
            r[i] += (float)(b * wet);
            // gentle DC / rumble cut
            l[i] = (float)hl.hp(l[i], 25);
            r[i] = (float)hr.hp(r[i], 25);
        }
    }
};

typedef std::function<Buf(double f, double gate, double vel)> Inst;

// play a score track `reps` times into the mix
static void play(Mix& m, const std::string& score, const char* what, const Inst& inst, double step, int reps,
                 long loop_len, double gain, double pan, double rev, int transpose = 0, double legato = 0.92) {
    auto notes = parse_score(score, what);
    for (int rep = 0; rep < reps; ++rep)
        for (auto& n : notes)
            for (size_t k = 0; k < n.keys.size(); ++k) {
                Buf b = inst(midi_hz(n.keys[k] + transpose), n.len * step * legato, 1.0);
                double p = n.keys.size() > 1 ? pan + 0.3 * ((double)k / (n.keys.size() - 1) - 0.5) : pan;
                m.add(b, rep * loop_len + secs(n.start * step), gain, p, rev);
            }
}

// drum pattern: one char per sixteenth, 'x' loud, 'o' soft, '.' nothing, '|' ignored
static void drums(Mix& m, const std::string& pat, const std::function<Buf(double)>& d, double step, int reps,
                  long loop_len, double gain, double pan, double rev) {
    Buf loud = d(1.0), soft = d(0.45);
    int steps = 0;
    for (char c : pat) steps += c != '|' && c != ' ';
    if (std::lround(steps * step * SR) != loop_len && std::labs(std::lround(steps * step * SR) - loop_len) > 1) {
        std::fprintf(stderr, "drum pattern of %d steps does not fill the loop\n", steps);
        std::exit(2);
    }
    for (int rep = 0; rep < reps; ++rep) {
        int s = 0;
        for (char c : pat) {
            if (c == '|' || c == ' ') continue;
            if (c == 'x') m.add(loud, rep * loop_len + secs(s * step), gain, pan, rev);
            if (c == 'o') m.add(soft, rep * loop_len + secs(s * step), gain, pan, rev);
            ++s;
        }
    }
}

static std::string chords_to_score(const std::string& prog, const char* pattern) {
    // prog: chord symbols per bar, "F/G" = two chords in one bar; pattern: 16 chars, 'x' = stab
    std::istringstream in(prog);
    std::string tok, out;
    while (in >> tok) {
        if (tok == "|") continue;
        std::string a = tok, b = tok;
        size_t s = tok.find('/');
        if (s != std::string::npos) {
            a = tok.substr(0, s);
            b = tok.substr(s + 1);
        }
        for (int i = 0; i < 16; ++i) {
            std::string sym = i < 8 ? a : b;
            if (pattern[i] == 'x') {
                auto k = voicing(sym);
                std::string c;
                static const char* names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
                for (size_t j = 0; j < k.size(); ++j) {
                    if (j) c += "+";
                    c += names[k[j] % 12] + std::to_string(k[j] / 12 - 1);
                }
                int len = 1;
                while (i + len < 16 && pattern[i + len] == '-') ++len;
                out += c + ":" + std::to_string(len) + " ";
                i += len - 1;
            } else
                out += "r:1 ";
        }
        out += "| ";
    }
    return out;
}

// take the middle of three passes: a seamless loop
static void keep_middle(Mix& m, long L) {
    m.l = Buf(m.l.begin() + L, m.l.begin() + 2 * L);
    m.r = Buf(m.r.begin() + L, m.r.begin() + 2 * L);
    m.n = L;
}

// ---------------------------------------------------------------- tunes
static void tune_main(Buf& L, Buf& R) {
    const double bpm = 140, step = 60.0 / bpm / 4;
    int bars = score_bars(MAIN_LEAD);
    long len = secs(bars * 16 * step);
    Mix m(3 * len);
    play(m, MAIN_LEAD, "main lead", lead, step, 3, len, 0.30, 0.1, 0.25, -12);
    play(
        m, MAIN_LEAD, "main lead echo", [](double f, double g, double v) { return bell(f, 0.5, v * 0.5, 0.6); }, step,
        3, len, 0.10, -0.5, 0.4, 0);
    play(m, MAIN_BASS, "main bass", bass, step, 3, len, 0.55, 0.0, 0.05);
    play(m, chords_to_score(MAIN_CHORDS, "..x-..x-..x-..x-"), "main chords", stab, step, 3, len, 0.13, -0.15, 0.3);
    if (score_bars(MAIN_BASS) != bars) {
        std::fprintf(stderr, "main: bass and lead differ in length\n");
        std::exit(2);
    }
    drums(m, MAIN_KICK, kick, step, 3, len, 0.65, 0, 0.02);
    drums(m, MAIN_SNARE, snare, step, 3, len, 0.32, 0.05, 0.2);
    drums(
        m, MAIN_HAT, [](double v) { return hat(v); }, step, 3, len, 0.22, 0.35, 0.05);
    drums(m, MAIN_CRASH, crash, step, 3, len, 0.16, -0.3, 0.2);
    play(m, MAIN_COUNTER, "main counter-melody", flute, step, 3, len, 0.16, -0.35, 0.35);
    if (score_bars(MAIN_COUNTER) != bars) {
        std::fprintf(stderr, "main: counter-melody and lead differ in length\n");
        std::exit(2);
    }
    m.finish(1.0, 0.4, 0.35);
    keep_middle(m, len);
    L = m.l;
    R = m.r;
}

static void tune_start(Buf& L, Buf& R) {
    // The title tune ships as mono IMA ADPCM, whose blocks (256 bytes, as sox writes them) hold 505 samples;
    // the loop is made a whole number of blocks (tempo ~120 bpm) so the
    // decoded file has no padding at its end.
    const long block = 505;
    int bars = score_bars(START_LEAD);
    long len = secs(bars * 16 * (60.0 / 120 / 4));
    len = (len + block - 1) / block * block;
    const double step = (double)len / SR / (bars * 16);
    Mix m(3 * len);
    play(m, START_LEAD, "title lead", marimba, step, 3, len, 0.55, 0.0, 0.3);
    play(
        m, START_BELLS, "title bells", [](double f, double g, double v) { return bell(f, 0.9, v, 0.8); }, step, 3, len,
        0.16, 0.2, 0.35);
    play(m, START_BASS, "title bass", bass, step, 3, len, 0.5, 0.0, 0.05);
    uint32_t seed = 5;
    play(
        m, chords_to_score(START_CHORDS, "....x.......x..."), "title chords",
        [&](double f, double g, double v) { return pluck(f, g, v, seed++); }, step, 3, len, 0.22, 0.0, 0.3);
    drums(m, START_KICK, kick, step, 3, len, 0.5, 0, 0.02);
    drums(m, START_CLAP, clap, step, 3, len, 0.25, 0, 0.25);
    drums(m, START_SHAKER, shaker, step, 3, len, 0.25, 0, 0.1);
    m.finish(1.0, 0.4, 0.3);
    keep_middle(m, len);
    L = m.l;
    R = m.r;
}

// ---------------------------------------------------------------- effects
static Buf fx_pop() {  // a rabbit pops up: cork "plop" + rising bubble
    int n = secs(0.22);
    Buf b(n);
    Osc o, o2;
    Noise nz(3);
    SVF f;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double fr = 260 * std::pow(5.0, std::min(1.0, t / 0.09));
        double env = std::min(1.0, t / 0.004) * std::exp(-t * 16.0);
        double v = o.sine(fr) + 0.25 * o2.sine(fr * 2);
        double click = f.run(nz(), 1800, 2.0, 1) * std::exp(-t * 250.0);
        b[i] = (float)(v * env + 0.35 * click);
    }
    fade_edges(b, 0.0005, 0.02);
    return b;
}

static Buf fx_hit() {  // wooden whack: a slap, a knock that rings a little, a thump
    int n = secs(0.3);
    Buf b(n);
    Osc th, m1, m2, m3;
    Noise nz(7);
    SVF slap;
    OnePole hp;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double x = nz();
        double thump = th.sine(60 + 110 * std::exp(-t * 30.0)) * std::exp(-t * 16.0);
        double knock = m1.sine(430) * std::exp(-t * 28.0) + 0.6 * m2.sine(1040) * std::exp(-t * 45.0) +
                       0.35 * m3.sine(1690) * std::exp(-t * 70.0);
        double sl = slap.run(x, 1300, 0.9, 1) * std::exp(-t * 40.0);
        double crack = hp.hp(x, 3000) * std::exp(-t * 220.0);
        double att = std::min(1.0, t / 0.0008);
        b[i] = (float)(att * (0.8 * thump + 0.55 * knock + 0.9 * sl + 0.5 * crack));
    }
    drive(b, 3.0);
    fade_edges(b, 0.0003, 0.03);
    return b;
}

static Buf fx_hurt() {  // squeaky "eek-eek!", starting just after the whack
    const double lead = 0.035;
    int n = secs(0.42 + lead);
    Buf b(n);
    Osc o;
    SVF f;
    OnePole lp;
    for (int i = secs(lead); i < n; ++i) {
        double t = (double)i / SR - lead;
        double fr, env;
        if (t < 0.12) {
            double u = t / 0.12;
            fr = 1300 + 900 * std::sin(PI * u * 0.8);
            env = std::sin(PI * std::min(1.0, u));
        } else if (t < 0.16) {
            fr = 1700;
            env = 0;
        } else {
            double u = (t - 0.16) / 0.26;
            fr = 1500 + 1100 * std::sin(PI * std::min(1.0, u * 1.3)) * (1 - 0.5 * u);
            env = std::pow(std::sin(PI * u), 0.6);
        }
        fr *= 1.0 + 0.03 * std::sin(TAU * 38 * t);
        double v = o.pulse(fr, 0.35);
        v = f.run(v, fr * 1.5, 3.0, 0);
        b[i] = (float)(lp.lp(v, 5000) * env);
    }
    fade_edges(b, 0.002, 0.02);
    return b;
}

static Buf fx_cool() {  // smug wolf-whistle: "whee-wheeoo"
    int n = secs(0.95);
    Buf b(n);
    Osc o, o2;
    Noise nz(13);
    SVF f;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double fr = 0, env = 0;
        if (t < 0.22) {
            double u = t / 0.22;
            fr = 800 + 1300 * u * u;
            env = std::sin(PI * std::min(1.0, u * 1.05)) * std::min(1.0, u * 6);
        } else if (t > 0.32) {
            double u = (t - 0.32) / 0.6;
            if (u < 1) {
                fr = u < 0.3 ? 800 + 1100 * std::sin(PI / 2 * u / 0.3) : 1900 - 1300 * std::pow((u - 0.3) / 0.7, 1.3);
                env = std::min(1.0, u * 10) * std::min(1.0, (1 - u) * 4);
            }
        }
        if (fr <= 0) fr = 800;
        fr *= 1.0 + 0.012 * std::sin(TAU * 6 * t);
        double v = o.sine(fr) + 0.12 * o2.sine(2 * fr) + 0.05 * f.run(nz(), fr, 8, 1);
        b[i] = (float)(v * env);
    }
    fade_edges(b, 0.002, 0.02);
    return b;
}

static Buf arpeggio(const std::vector<int>& keys, double gap, double len, double bright) {
    Buf b(secs(gap * keys.size() + len));
    for (size_t k = 0; k < keys.size(); ++k) {
        double f = midi_hz(keys[k]);
        Buf n = bell(f, len, 1.0, bright);
        Buf sq(secs(0.12));
        Osc o;
        OnePole lp;
        for (size_t i = 0; i < sq.size(); ++i) {
            double t = (double)i / SR;
            sq[i] = (float)(lp.lp(o.pulse(f, 0.25), 4000) * std::exp(-t * 25) * 0.35);
        }
        add_at(b, n, secs(gap * k), 1.0);
        add_at(b, sq, secs(gap * k), 1.0);
    }
    return b;
}

static Buf fx_addlife() {  // bright rising arpeggio
    Buf b = arpeggio({72, 76, 79, 84, 88, 91}, 0.065, 0.5, 1.0);
    Buf sh = bell(midi_hz(96), 0.6, 0.3, 1.5);
    add_at(b, sh, secs(0.39));
    fade_edges(b, 0.0005, 0.05);
    return b;
}

static Buf fx_danger() {  // two-tone warning, three times
    int n = secs(1.05);
    Buf b(n);
    Osc o, o2;
    OnePole lp;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double cyc = std::fmod(t, 0.35);
        double fr = cyc < 0.17 ? 988 : 740;
        double u = std::fmod(cyc, 0.17);
        double env = std::min(1.0, u / 0.005) * std::min(1.0, (0.16 - u) / 0.01);
        if (u > 0.16) env = 0;
        double v = o.pulse(fr, 0.5) * 0.6 + o2.tri(fr * 2) * 0.3;
        b[i] = (float)(lp.lp(v, 3000) * std::max(0.0, env) * (t < 0.7 ? 1.0 : 0.8));
    }
    fade_edges(b, 0.001, 0.01);
    return b;
}

static Buf fx_ding() {  // level cleared: "ding-diing!" with a shimmer
    Buf b(secs(1.4));
    add_at(b, bell(midi_hz(88), 0.8, 0.8, 1.2), 0);
    add_at(b, bell(midi_hz(93), 1.3, 1.0, 1.2), secs(0.11));
    add_at(b, bell(midi_hz(100), 1.0, 0.3, 0.8), secs(0.11));
    fade_edges(b, 0.0005, 0.05);
    return b;
}

static Buf fx_wait() {  // pause: soft falling two notes
    Buf b(secs(0.75));
    add_at(b, marimba(midi_hz(79), 0.2, 1.0), 0);
    add_at(b, marimba(midi_hz(72), 0.3, 1.0), secs(0.16));
    add_at(b, marimba(midi_hz(67), 0.3, 0.6), secs(0.16));
    fade_edges(b, 0.0005, 0.05);
    return b;
}

static Buf fx_biu() {  // resume: "biu" laser zap
    int n = secs(0.3);
    Buf b(n);
    Osc o, o2;
    OnePole lp;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double fr = t < 0.025 ? 500 + 1700 * (t / 0.025) : 2200 * std::exp(-(t - 0.025) * 7.5);
        double env = std::min(1.0, t / 0.003) * std::exp(-t * 6.0);
        double v = 0.7 * o.pulse(fr, 0.5) + 0.4 * o2.sine(fr * 0.5);
        b[i] = (float)(lp.lp(v, 4500) * env);
    }
    fade_edges(b, 0.0005, 0.03);
    return b;
}

static Buf fx_space() {  // start: bright "pling-pling!"
    Buf b(secs(0.6));
    add_at(b, marimba(midi_hz(84), 0.2, 0.8), 0);
    add_at(b, bell(midi_hz(91), 0.5, 0.8, 1.0), secs(0.08));
    add_at(b, marimba(midi_hz(91), 0.2, 0.6), secs(0.08));
    fade_edges(b, 0.0005, 0.05);
    return b;
}

static Buf fx_retry() {  // new game: whoosh + rising triad
    int n = secs(0.8);
    Buf b(n);
    Noise nz(17);
    SVF f;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double fc = 300 * std::pow(20.0, std::min(1.0, t / 0.3));
        double env = std::sin(PI * std::min(1.0, t / 0.35)) * 0.5;
        b[i] = (float)(f.run(nz(), fc, 2.5, 1) * env);
    }
    add_at(b, marimba(midi_hz(67), 0.2, 0.8), secs(0.12));
    add_at(b, marimba(midi_hz(72), 0.2, 0.8), secs(0.20));
    add_at(b, marimba(midi_hz(76), 0.2, 0.8), secs(0.28));
    add_at(b, bell(midi_hz(84), 0.45, 0.6, 1.0), secs(0.36));
    fade_edges(b, 0.001, 0.05);
    return b;
}

// sad trombone: brass through a "wah" filter
static Buf wah(double f, double gate, double slide_to, bool vib) {
    double rel = 0.15;
    int n = secs(gate + rel);
    Buf b(n);
    Osc o1, o2;
    SVF flt;
    OnePole lp;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / SR;
        double fr = f;
        if (slide_to > 0 && t > gate * 0.3)
            fr = f * std::pow(slide_to / f, std::min(1.0, (t - gate * 0.3) / (gate * 0.7)));
        if (vib && t > 0.3) fr *= 1.0 + 0.018 * std::sin(TAU * 5.0 * (t - 0.3));
        double v = o1.saw(fr) + 0.5 * o2.pulse(fr * 1.003, 0.4);
        double e = adsr(t, gate, 0.04, 0.3, 0.8, rel);
        double cut = 350 + 1300 * std::sin(PI * std::min(1.0, t / std::max(0.3, gate))) *
                               (vib ? 0.7 + 0.3 * std::sin(TAU * 2.5 * t) : 1.0);
        v = flt.run(v, cut, 2.2, 0);
        b[i] = (float)(lp.lp(v, 2500) * e);
    }
    return b;
}

static Buf fx_end() {  // game over: "wah wah wah waaah"
    Buf b(secs(3.2));
    add_at(b, wah(midi_hz(55), 0.38, 0, false), 0);
    add_at(b, wah(midi_hz(54), 0.38, 0, false), secs(0.48));
    add_at(b, wah(midi_hz(53), 0.38, 0, false), secs(0.96));
    add_at(b, wah(midi_hz(52), 1.6, midi_hz(50.5), true), secs(1.44));
    Buf tm = tom(70, 0.8);
    add_at(b, tm, secs(1.44), 0.6);
    OnePole lp;
    for (float& v : b) v = (float)lp.lp(v, 4000);
    fade_edges(b, 0.001, 0.2);
    return b;
}

static Buf fx_victory() {   // fanfare
    const double q = 0.19;  // an eighth note
    Buf b(secs(4.6));
    struct N {
        double at, len;
        int key;
    };
    // triplet pickup, then the call, then the big final chord
    std::vector<N> top = {
        {0, q * 0.6, 67},      {q * 0.667, q * 0.6, 67}, {q * 1.333, q * 0.6, 67}, {q * 2, q * 2.8, 72},
        {q * 5, q * 0.9, 67},  {q * 6, q * 0.9, 72},     {q * 7, q * 0.9, 76},     {q * 8, q * 1.8, 79},
        {q * 10, q * 0.9, 76}, {q * 11, q * 7.5, 84},
    };
    for (auto& n : top) add_at(b, brass(midi_hz(n.key), n.len, 1.0), secs(n.at), 0.55);
    for (int k : {60, 64, 67, 72}) add_at(b, brass(midi_hz(k), q * 7.5, 1.0), secs(q * 11), 0.28);
    add_at(b, bass(midi_hz(48), q * 2.8, 1.0), secs(q * 2), 0.6);
    add_at(b, bass(midi_hz(43), q * 2.8, 1.0), secs(q * 5), 0.6);
    add_at(b, bass(midi_hz(48), q * 7.5, 1.0), secs(q * 11), 0.7);
    // snare roll into the last chord, timpani hits, cymbal
    Buf sn = snare(0.5);
    for (int i = 0; i < 12; ++i) add_at(b, sn, secs(q * 8 + i * q * 0.25), 0.15 + 0.02 * i);
    add_at(b, tom(65, 1.0), secs(q * 2), 0.8);
    add_at(b, tom(49, 1.0), secs(q * 5), 0.6);
    add_at(b, tom(65, 1.0), secs(q * 11), 0.9);
    add_at(b, kick(1.0), secs(q * 11), 0.5);
    add_at(b, crash(1.0), secs(q * 11), 0.3);
    add_at(b, arpeggio({84, 88, 91, 96}, 0.05, 0.8, 0.8), secs(q * 11 + 0.05), 0.12);
    Reverb rv(0.9, 0.4);
    Buf out(b.size());
    for (size_t i = 0; i < b.size(); ++i) {
        float l, r;
        rv.run(b[i] * 0.3f, l, r);
        out[i] = b[i] + 0.5f * (l + r) * 0.5f;
    }
    drive(out, 2.0);
    fade_edges(out, 0.001, 0.25);
    return out;
}

// ---------------------------------------------------------------- output
static void write_wav(const char* path, const Buf& l, const Buf* r) {
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::perror(path);
        std::exit(1);
    }
    int ch = r ? 2 : 1;
    uint32_t n = (uint32_t)l.size(), data = n * ch * 2;
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + data);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16((uint16_t)ch);
    u32(SR);
    u32(SR * ch * 2);
    u16((uint16_t)(ch * 2));
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(data);
    for (uint32_t i = 0; i < n; ++i)
        for (int c = 0; c < ch; ++c) {
            double v = (c ? (*r)[i] : l[i]) * 32767.0;
            v = std::max(-32768.0, std::min(32767.0, std::round(v)));
            u16((uint16_t)(int16_t)v);
        }
    std::fclose(f);
}

// IMA ADPCM WAV (format 0x11), mono, 256-byte blocks of 505 samples: a
// quarter of the size of 16-bit PCM, and read by SDL's own WAV loader.  Our
// own encoder (rather than sox's) keeps the output byte-for-byte repeatable.
static const int IMA_STEP[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
static const int IMA_INDEX[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

static void write_wav_ima(const char* path, const Buf& in) {
    const int block_align = 256, spb = (block_align - 4) * 2 + 1;  // 505
    std::vector<int16_t> x(in.size());
    for (size_t i = 0; i < in.size(); ++i)
        x[i] = (int16_t)std::max(-32768.0, std::min(32767.0, std::round(in[i] * 32767.0)));
    size_t blocks = (x.size() + spb - 1) / spb;
    x.resize(blocks * spb, 0);
    std::vector<uint8_t> data;
    int index = 0;
    for (size_t b = 0; b < blocks; ++b) {
        const int16_t* s = &x[b * spb];
        int pred = s[0];
        // pick the step index that best suits the start of this block
        if (b == 0) {
            int d = s[1] - s[0];
            d = d < 0 ? -d : d;
            index = 0;
            while (index < 88 && IMA_STEP[index] < d) ++index;
        }
        data.push_back((uint8_t)(pred & 0xff));
        data.push_back((uint8_t)((pred >> 8) & 0xff));
        data.push_back((uint8_t)index);
        data.push_back(0);
        uint8_t byte = 0;
        for (int i = 1; i < spb; ++i) {
            int step = IMA_STEP[index], diff = s[i] - pred, code = 0;
            if (diff < 0) {
                code = 8;
                diff = -diff;
            }
            int vpdiff = step >> 3;
            if (diff >= step) {
                code |= 4;
                diff -= step;
                vpdiff += step;
            }
            step >>= 1;
            if (diff >= step) {
                code |= 2;
                diff -= step;
                vpdiff += step;
            }
            step >>= 1;
            if (diff >= step) {
                code |= 1;
                vpdiff += step;
            }
            pred += (code & 8) ? -vpdiff : vpdiff;
            pred = std::max(-32768, std::min(32767, pred));
            index = std::max(0, std::min(88, index + IMA_INDEX[code]));
            if ((i - 1) % 2 == 0)
                byte = (uint8_t)code;
            else {
                byte |= (uint8_t)(code << 4);
                data.push_back(byte);
            }
        }
    }
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::perror(path);
        std::exit(1);
    }
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    uint32_t nsamp = (uint32_t)(blocks * spb);
    std::fwrite("RIFF", 1, 4, f);
    u32((uint32_t)(4 + 28 + 12 + 8 + data.size()));
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(20);
    u16(0x11);
    u16(1);
    u32(SR);
    u32((uint32_t)((uint64_t)SR * block_align / spb));
    u16(block_align);
    u16(4);
    u16(2);
    u16(spb);
    std::fwrite("fact", 1, 4, f);
    u32(4);
    u32(nsamp);
    std::fwrite("data", 1, 4, f);
    u32((uint32_t)data.size());
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

int main(int argc, char** argv) {
    std::map<std::string, std::function<Buf()>> fx = {
        {"pop", fx_pop},       {"hit", fx_hit},   {"hurt", fx_hurt},       {"cool", fx_cool}, {"addlife", fx_addlife},
        {"danger", fx_danger}, {"ding", fx_ding}, {"wait", fx_wait},       {"biu", fx_biu},   {"space", fx_space},
        {"retry", fx_retry},   {"end", fx_end},   {"victory", fx_victory},
    };
    if (argc == 2 && std::string(argv[1]) == "list") {
        for (auto& k : fx) std::printf("%s\n", k.first.c_str());
        std::printf("start\nmain\n");
        return 0;
    }
    bool ima = argc == 4 && std::string(argv[3]) == "--ima";
    if (argc != 3 && !ima) {
        std::fprintf(stderr, "usage: synth <name> <out.wav> [--ima] | synth list\n");
        return 2;
    }
    std::string name = argv[1];
    const double fx_peak = -8.0, fx_loudness = -15.0, music_peak = -10.0;
    if (name == "main" || name == "start") {
        Buf L, R;
        if (name == "main")
            tune_main(L, R);
        else
            tune_start(L, R);
        if (ima) {  // mono
            Buf M(L.size());
            for (size_t i = 0; i < L.size(); ++i) M[i] = 0.5f * (L[i] + R[i]);
            normalise(M, music_peak);
            write_wav_ima(argv[2], M);
            return 0;
        }
        double p = std::max(peak(L), peak(R)), g = db(music_peak) / p;
        for (auto& v : L) v = (float)(v * g);
        for (auto& v : R) v = (float)(v * g);
        write_wav(argv[2], L, &R);
        return 0;
    }
    auto it = fx.find(name);
    if (it == fx.end()) {
        std::fprintf(stderr, "unknown sound %s\n", name.c_str());
        return 2;
    }
    Buf b = it->second();
    // Every effect is set to the same short-term loudness (the loudest 50 ms),
    // so none drowns the others or hides under the music, with a ceiling on
    // its peak.  The hit, the squeak and the pop often sound together over the
    // music: their ceilings are lower so the sum stays clear of clipping.
    std::map<std::string, double> ceiling = {{"hit", -9.0}, {"pop", -10.0}, {"hurt", -9.5}};
    double cap = ceiling.count(name) ? ceiling[name] : fx_peak;
    double g = std::min(db(fx_loudness) / loudest_50ms(b), db(cap) / peak(b));
    for (float& v : b) v = (float)(v * g);
    if (ima)
        write_wav_ima(argv[2], b);
    else
        write_wav(argv[2], b, nullptr);
    return 0;
}
