"""The program's sounds: eight short mono 16-bit 22,050 Hz WAVE files and the background
tune. Everything is synthesised from sine partials and a seeded noise generator, so the
output is the same bytes on every run.

    sfx1-sfx4  a fill starts (the program picks one at random): bloop, drops, arpeggio, bubbles
    sfx5       a fill in progress, looped: soft burbling pour
    sfx6       the clear wave in progress, looped: airy hush
    sfx7       a clear starts: a swoosh with a falling sparkle
    sfx8       a crayon is picked: a small wooden tok

The program loops sfx5 and sfx6 end to back many times a second, so each is built from
whole periods of its own length: sample N-1 runs straight on into sample 0. The lengths
below are what the program was tuned with; keep them exact.
"""
import math
import struct

RATE = 22050
TAU = 2 * math.pi

# Data chunk sizes in bytes (two bytes a sample).
DATA_BYTES = {1: 19712, 2: 19786, 3: 20024, 4: 19872, 5: 2190, 6: 2144, 7: 18040, 8: 4614}

ONE_SHOT_PEAK = 0.5     # -6 dBFS
LOOP_PEAK = 0.25        # -12 dBFS


class Noise:
    """xorshift32: a small generator whose sequence never depends on the Python version."""

    def __init__(self, seed):
        self.s = seed & 0xFFFFFFFF or 1

    def next(self):
        s = self.s
        s ^= (s << 13) & 0xFFFFFFFF
        s ^= s >> 17
        s ^= (s << 5) & 0xFFFFFFFF
        self.s = s
        return s

    def uniform(self):          # [0, 1)
        return self.next() / 4294967296.0

    def white(self):            # [-1, 1)
        return self.uniform() * 2 - 1


# --- building blocks -------------------------------------------------------------------

def silence(n):
    return [0.0] * n


def mix(buf, start, samples, gain=1.0):
    for i, v in enumerate(samples):
        j = start + i
        if 0 <= j < len(buf):
            buf[j] += v * gain


def glide(n, f0, f1, glide_s, attack_s, decay_s, partials=((1, 1.0),)):
    """A tone whose pitch slides exponentially from f0 to f1 over glide_s, then holds,
    with a raised-cosine attack and an exponential decay."""
    out = []
    phase = 0.0
    g = max(1, int(glide_s * RATE))
    a = max(1, int(attack_s * RATE))
    for i in range(n):
        f = f0 * (f1 / f0) ** min(1.0, i / g)
        phase += TAU * f / RATE
        env = math.exp(-i / (decay_s * RATE))
        if i < a:
            env *= 0.5 - 0.5 * math.cos(math.pi * i / a)
        out.append(env * sum(amp * math.sin(k * phase) for k, amp in partials))
    return out


# Bell-like: a strong fundamental, a soft octave and a faint stretched upper partial;
# the upper partials die away faster, so the note mellows as it fades.
BELL = ((1.0, 1.0, 1.0), (2.0, 0.22, 1.7), (3.01, 0.07, 2.4), (4.2, 0.035, 3.2))


def bell(n, f, decay_s, attack_s=0.004):
    a = max(1, int(attack_s * RATE))
    out = []
    for i in range(n):
        t = i / RATE
        v = 0.0
        for ratio, amp, faster in BELL:
            if f * ratio < RATE * 0.45:
                v += amp * math.exp(-t * faster / decay_s) * math.sin(TAU * f * ratio * t)
        if i < a:
            v *= 0.5 - 0.5 * math.cos(math.pi * i / a)
        out.append(v)
    return out


def fade_edges(buf, fade_in_s=0.003, fade_out_s=0.04):
    a = int(fade_in_s * RATE)
    b = int(fade_out_s * RATE)
    n = len(buf)
    for i in range(a):
        buf[i] *= 0.5 - 0.5 * math.cos(math.pi * i / a)
    for i in range(b):
        buf[n - 1 - i] *= 0.5 - 0.5 * math.cos(math.pi * i / b)
    buf[0] = 0.0
    buf[-1] = 0.0
    return buf


def normalise(buf, peak):
    m = max(abs(v) for v in buf)
    return [v * peak / m for v in buf]


def svf_bandpass(samples, centre_at, q=0.7):
    """Chamberlin state-variable band-pass; centre_at(i) gives the centre in Hz."""
    low = band = 0.0
    out = []
    for i, x in enumerate(samples):
        f = 2 * math.sin(math.pi * centre_at(i) / RATE)
        low += f * band
        high = x - low - q * band
        band += f * high
        out.append(band)
    return out


def periodic_noise(n, lo_hz, hi_hz, shape, noise):
    """Noise made of the harmonics of the loop length itself (random phases, amplitudes
    shaped by shape(f)), so it repeats every n samples without a seam."""
    f0 = RATE / n
    parts = []
    for k in range(max(1, round(lo_hz / f0)), round(hi_hz / f0) + 1):
        amp = shape(k * f0) * (0.6 + 0.4 * noise.uniform())
        parts.append((k, amp, TAU * noise.uniform()))
    return [sum(a * math.sin(TAU * k * i / n + p) for k, a, p in parts) for i in range(n)]


def quiet_seam(buf):
    """Rotates a periodic buffer so it starts where the wave is near zero and changes
    least from one sample to the next: the join and the first sample are both soft."""
    n = len(buf)
    m = max(abs(v) for v in buf)
    best = min(range(n), key=lambda i: abs(buf[i]) + abs(buf[i] - buf[i - 1]) + 1e-9 * i * m)
    return buf[best:] + buf[:best]


# --- the sounds --------------------------------------------------------------------------

def sfx1(n):
    """Rising bloop that lands on a soft C bell."""
    buf = silence(n)
    mix(buf, 0, glide(n, 260, 780, 0.15, 0.008, 0.09, ((1, 1.0), (2, 0.15))))
    c6 = 1046.5
    mix(buf, int(0.11 * RATE), bell(n - int(0.11 * RATE), c6, 0.11), 0.55)
    return buf


def sfx2(n):
    """Two water drops, the second higher and softer, with a faint ring."""
    buf = silence(n)
    mix(buf, 0, glide(n, 520, 1400, 0.045, 0.004, 0.045))
    start = int(0.15 * RATE)
    mix(buf, start, glide(n - start, 700, 1800, 0.04, 0.004, 0.04), 0.6)
    start = int(0.05 * RATE)
    mix(buf, start, bell(n - start, 1318.5, 0.12), 0.18)   # E6
    return buf


def sfx3(n):
    """A quick rising arpeggio of bells: G5 C6 E6 G6."""
    buf = silence(n)
    for j, f in enumerate((783.99, 1046.5, 1318.5, 1568.0)):
        start = int(j * 0.065 * RATE)
        mix(buf, start, bell(n - start, f, 0.075 + 0.015 * j), 0.7 + 0.1 * j)
    return buf


def sfx4(n):
    """Three little bubbles rising, then a D bell."""
    buf = silence(n)
    noise = Noise(0x4B1D)
    for j, (f0, f1) in enumerate(((330, 660), (420, 880), (560, 1180))):
        start = int((j * 0.075 + 0.012 * noise.uniform()) * RATE)
        mix(buf, start, glide(n - start, f0, f1, 0.05, 0.004, 0.035), 0.8 - 0.1 * j)
    start = int(0.2 * RATE)
    mix(buf, start, bell(n - start, 1174.66, 0.09), 0.45)
    return buf


def sfx5(n):
    """Burbling pour: soft band noise with one small bubble a period."""
    noise = Noise(0x5EED5)
    pour = periodic_noise(n, 250, 1400, lambda f: (400.0 / f) ** 0.7, noise)
    m = max(abs(v) for v in pour)
    buf = []
    for i in range(n):
        w = 0.5 - 0.5 * math.cos(TAU * i / n)           # zero at the seam, both sides
        x = i / n
        # Bubble: a sine that rises over the period, enveloped by w**2.
        phase = TAU * 450 * n / RATE * (x + 0.5 * x * x)   # 450 Hz rising to 900 Hz
        bubble = w * w * math.sin(phase)
        buf.append(0.55 * pour[i] / m * (0.7 + 0.3 * w) + 0.45 * bubble)
    return quiet_seam(buf)


def sfx6(n):
    """Airy hush: high, gently shaped noise with a slow swell inside the period."""
    noise = Noise(0xA1E6)

    def shape(f):                       # a soft hump round 2.4 kHz
        return math.exp(-(math.log(f / 2400.0) ** 2) / 0.5)

    air = periodic_noise(n, 700, 7000, shape, noise)
    return quiet_seam([v * (0.8 + 0.2 * math.cos(TAU * i / n)) for i, v in enumerate(air)])


def sfx7(n):
    """A swoosh falling from bright to low, sprinkled with descending bells."""
    noise = Noise(0xC1EA2)
    raw = [noise.white() for _ in range(n)]
    span = int(0.36 * RATE)

    def centre(i):
        return 3200 * (500 / 3200) ** min(1.0, i / span)

    swoosh = svf_bandpass(raw, centre, q=0.9)
    m = max(abs(v) for v in swoosh)
    buf = silence(n)
    for i in range(n):
        env = math.sin(math.pi * min(1.0, i / span)) ** 1.5 if i < span else 0.0
        buf[i] = 0.5 * env * swoosh[i] / m
    # C7 A6 G6 E6 D6 C6 (pentatonic, falling)
    for j, f in enumerate((2093.0, 1760.0, 1568.0, 1318.5, 1174.66, 1046.5)):
        start = int((0.015 + j * 0.045) * RATE)
        mix(buf, start, bell(n - start, f, 0.07), 0.5 - 0.04 * j)
    return buf


def sfx8(n):
    """Wooden tok: a short pitched knock with a breath of noise in the attack."""
    noise = Noise(0x70C)
    buf = silence(n)
    mix(buf, 0, glide(n, 1150, 880, 0.02, 0.002, 0.018))
    mix(buf, 0, glide(n, 2400, 2250, 0.01, 0.002, 0.007), 0.25)
    mix(buf, 0, glide(n, 470, 430, 0.03, 0.002, 0.028), 0.5)
    knock = []
    lp = 0.0
    for i in range(n):
        lp += 0.35 * (noise.white() - lp)
        knock.append(lp * math.exp(-i / (0.004 * RATE)))
    mix(buf, 0, knock, 0.35)
    return buf


SOUNDS = {1: sfx1, 2: sfx2, 3: sfx3, 4: sfx4, 5: sfx5, 6: sfx6, 7: sfx7, 8: sfx8}
LOOPS = {5, 6}


def wav_bytes(samples):
    """A canonical RIFF WAVE: RIFF, fmt (PCM mono 16-bit), data, nothing else."""
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(round(v * 32767)))))
                    for v in samples)
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE",
                         b"fmt ", 16, 1, 1, RATE, RATE * 2, 2, 16, b"data", len(data))
    return header + data


def build_sounds():
    """Yields (file name, bytes) for sfx1.wav ... sfx8.wav."""
    for ident, make in SOUNDS.items():
        n = DATA_BYTES[ident] // 2
        buf = make(n)
        assert len(buf) == n
        if ident in LOOPS:
            buf = normalise(buf, LOOP_PEAK)
        else:
            buf = normalise(fade_edges(buf), ONE_SHOT_PEAK)
        data = wav_bytes(buf)
        assert len(data) == 44 + DATA_BYTES[ident]
        yield f"sfx{ident}.wav", data


# --- the tune ----------------------------------------------------------------------------
# "Garden Walk", C major, 4/4 at 108 bpm, 32 bars (about 71 s): A A' B A'', closing on C
# so it rolls straight back to the start. Celesta melody, marimba broken chords, soft
# acoustic bass.

TEMPO_BPM = 108
PPQ = 480
NOTE = {n: i for i, n in enumerate("C C# D D# E F F# G G# A A# B".split())}


def pitch(name):
    """'C5' -> 72 (middle C is C4 = 60); 'r' is a rest."""
    if name == "r":
        return None
    return 12 * (int(name[-1]) + 1) + NOTE[name[:-1]]


# One entry a bar: (chord, [(note, beats), ...]); each bar adds up to 4 beats.
A_BARS = [
    ("C", "E5 1 G5 1 E5 1 C5 1"),
    ("F", "D5 1 F5 1 A5 2"),
    ("C", "G5 1.5 E5 0.5 C5 1 E5 1"),
    ("G", "D5 3 r 1"),
    ("C", "E5 1 G5 1 C6 1 G5 1"),
    ("F", "A5 1 F5 1 A5 1 C6 1"),
    ("G7", "G5 1 F5 1 D5 1 B4 1"),
    ("C", "C5 3 r 1"),
]
A2_BARS = [
    ("C", "E5 0.5 F5 0.5 G5 1 G5 1 E5 1"),
    ("Am", "A5 1 C6 1 A5 1 E5 1"),
    ("F", "F5 1 A5 1 C6 1.5 A5 0.5"),
    ("G", "G5 3 r 1"),
    ("C", "E5 1 G5 1 C6 1 E6 1"),
    ("Am", "C6 1 A5 1 E5 1 A5 1"),
    ("D7", "F#5 1 A5 1 D6 1 C6 1"),
    ("G", "B5 2 G5 1 r 1"),
]
B_BARS = [
    ("F", "A5 1.5 G5 0.5 F5 1 A5 1"),
    ("C", "G5 1.5 E5 0.5 C5 2"),
    ("F", "F5 1 A5 1 C6 1 A5 1"),
    ("G", "G5 2 D5 2"),
    ("Am", "E5 1 A5 1 C6 1 B5 0.5 A5 0.5"),
    ("Em", "G5 1 E5 1 B4 2"),
    ("F", "C5 1 F5 1 A5 1 C6 1"),
    ("G7", "D6 1 B5 1 G5 1 F5 1"),
]
A3_BARS = A_BARS[:4] + [
    ("C", "E5 1 G5 1 C6 1 G5 1"),
    ("F", "A5 1 C6 1 F5 1 A5 1"),
    ("G7", "G5 1 E5 0.5 D5 0.5 B4 1 D5 1"),
    ("C", "C5 3 r 1"),
]
SONG = A_BARS + A2_BARS + B_BARS + A3_BARS

CHORDS = {  # root pitch class, third, fifth, seventh (0 = none), in semitones
    "C": (0, 4, 7, 0), "F": (5, 4, 7, 0), "G": (7, 4, 7, 0), "G7": (7, 4, 7, 10),
    "Am": (9, 3, 7, 0), "Em": (4, 3, 7, 0), "D7": (2, 4, 7, 10),
}

MELODY, ACCOMP, BASS = 0, 1, 2
PROGRAMS = {MELODY: 8, ACCOMP: 12, BASS: 32}     # celesta, marimba, acoustic bass
VOLUMES = {MELODY: 100, ACCOMP: 82, BASS: 74}
PANS = {MELODY: 64, ACCOMP: 48, BASS: 72}


def song_notes():
    """(start tick, length in ticks, channel, key, velocity) for the whole tune."""
    notes = []
    bar_ticks = 4 * PPQ
    last = len(SONG) - 1
    for b, (chord, line) in enumerate(SONG):
        t0 = b * bar_ticks
        # Melody: a gentle accent on the first beat of each bar, phrases swell in the middle.
        words = line.split()
        t = t0
        for name, beats in zip(words[::2], words[1::2]):
            length = int(float(beats) * PPQ)
            key = pitch(name)
            if key is not None:
                vel = 76 if t == t0 else 68
                if b % 8 in (4, 5):
                    vel += 4
                notes.append((t, int(length * 0.92), MELODY, key, vel))
            t += length
        assert t == t0 + bar_ticks, (b, line)

        root, third, fifth, seventh = CHORDS[chord]
        low = 48 + root if root < 7 else 36 + root          # between G2 and F#3
        if b == last:
            # Close: a rolled tonic chord held for three beats, and the bass on C.
            for j, k in enumerate((low, low + fifth, low + 12 + third, low + 12 + fifth)):
                notes.append((t0 + j * 40, 3 * PPQ - j * 40, ACCOMP, k, 60 - 2 * j))
            notes.append((t0, 3 * PPQ, BASS, 36 + root, 66))
            continue
        # Marimba: root, fifth, tenth, fifth in eighths, twice a bar (the seventh replaces
        # the second tenth on dominant-seventh bars).
        upper = low + 12 + third
        pattern = [low, low + fifth, upper, low + fifth,
                   low + 12, low + fifth, low + seventh if seventh else upper, low + fifth]
        for j, k in enumerate(pattern):
            notes.append((t0 + j * PPQ // 2, PPQ // 2 - 20, ACCOMP, k, 58 if j % 4 == 0 else 50))
        # Bass: root on one, fifth on three.
        notes.append((t0, 2 * PPQ - 40, BASS, 36 + root, 66))
        notes.append((t0 + 2 * PPQ, 2 * PPQ - 40, BASS, 36 + (root + fifth) % 12, 60))
    return notes, len(SONG) * bar_ticks


def vlq(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.append(0x80 | (v & 0x7F))
        v >>= 7
    return bytes(reversed(out))


def track_chunk(events, end_tick):
    """events: (tick, order, bytes); notes off sort before notes on at the same tick."""
    body = b""
    now = 0
    for tick, _, data in sorted(events, key=lambda e: (e[0], e[1])):
        body += vlq(tick - now) + data
        now = tick
    body += vlq(end_tick - now) + b"\xFF\x2F\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body


def midi_bytes():
    notes, end = song_notes()
    tempo = 60_000_000 // TEMPO_BPM
    conductor = [
        (0, 0, b"\xFF\x03" + vlq(11) + b"Garden Walk"),
        (0, 1, b"\xFF\x58\x04\x04\x02\x18\x08"),                  # 4/4
        (0, 2, b"\xFF\x59\x02\x00\x00"),                          # C major
        (0, 3, b"\xFF\x51\x03" + tempo.to_bytes(3, "big")),
    ]
    tracks = [track_chunk(conductor, end)]
    for ch in (MELODY, ACCOMP, BASS):
        ev = [
            (0, 0, bytes([0xC0 | ch, PROGRAMS[ch]])),
            (0, 1, bytes([0xB0 | ch, 7, VOLUMES[ch]])),
            (0, 2, bytes([0xB0 | ch, 10, PANS[ch]])),
            (0, 3, bytes([0xB0 | ch, 91, 40])),                  # a little reverb
        ]
        for start, length, c, key, vel in notes:
            if c != ch:
                continue
            ev.append((start, 10, bytes([0x90 | ch, key, vel])))
            ev.append((start + length, 5, bytes([0x80 | ch, key, 64])))
        tracks.append(track_chunk(ev, end))
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), PPQ)
    return header + b"".join(tracks)


if __name__ == "__main__":
    for name, data in build_sounds():
        print(name, len(data))
    print("tintmus.mid", len(midi_bytes()))
