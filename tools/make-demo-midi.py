#!/usr/bin/env python3
"""Writes resources/demo.mid, the demonstration piece for Kelva.

"Three Rooms": twelve bars in A minor at 80 beats per minute, 4/4, one
track on MIDI channel 1, 38 seconds. Each bar lasts exactly 3 seconds, and
the piece falls into three sections of four bars, each ending with a breath
on its last beat so that it can be rendered on a program of its own:

  A  0-12 s   bars 1-4   Am F C G      held string chords under a slow
                                       melody, wheel vibrato on the long note
  B 12-24 s   bars 5-8   F G Em Am     eighth-note arpeggios over held bass
                                       notes (plucked or keyboard programs)
  C 24-38 s   bars 9-12  Dm G Em-Am F-C  pad chords and a high melody with a
                                       wheel swell; the last chord is held by
                                       the sustain pedal and let ring

Within a section some key is always held (chords overlap by a few
milliseconds), so paraphonic programs never restart their shared envelopes
between chords. Each section begins by resetting the wheel and the pedal, so
it also plays correctly on its own.

Usage: make-demo-midi.py [out.mid]   (default: resources/demo.mid next to
this script's folder). Only the standard library is used; the output is the
same on every run.
"""

import os
import struct
import sys

PPQ = 480                  # ticks per quarter note
TEMPO_US = 750000          # microseconds per quarter: 80 beats per minute
BEATS_PER_BAR = 4
CHANNEL = 0                # MIDI channel 1
LEGATO = 0.03              # beats a chord overlaps the next one (about 22 ms)

# Note numbers.
NOTE = {name: 12 * (octave + 1) + step
        for octave in range(0, 8)
        for name, step in ((f"C{octave}", 0), (f"C#{octave}", 1), (f"D{octave}", 2),
                           (f"Eb{octave}", 3), (f"E{octave}", 4), (f"F{octave}", 5),
                           (f"F#{octave}", 6), (f"G{octave}", 7), (f"G#{octave}", 8),
                           (f"A{octave}", 9), (f"Bb{octave}", 10), (f"B{octave}", 11))}


class Score:
    """Notes and controller moves in beats from the start of the piece."""

    def __init__(self):
        self.notes = []        # (start beat, end beat, note, velocity)
        self.controls = []     # (beat, controller, value)
        self.programs = []     # (beat, program number)

    def note(self, start, length, name, velocity):
        self.notes.append((start, start + length, NOTE[name], velocity))

    def chord(self, start, length, names, velocity):
        for name in names:
            self.note(start, length, name, velocity)

    def line(self, start, items, velocity, legato=LEGATO):
        """A melody: items are (note name or None for a rest, beats)."""
        t = start
        for name, beats in items:
            if name is not None:
                self.note(t, beats + legato, name, velocity)
            t += beats
        return t

    def control(self, beat, controller, value):
        self.controls.append((beat, controller, value))

    def program(self, beat, number):
        self.programs.append((beat, number))

    def ramp(self, start, end, controller, first, last, steps):
        for i in range(steps + 1):
            value = round(first + (last - first) * i / steps)
            self.control(start + (end - start) * i / steps, controller, value)


def bar(n):
    """First beat of bar n, counted from 1."""
    return (n - 1) * BEATS_PER_BAR


def compose():
    s = Score()
    MOD, PEDAL = 1, 64

    # Each section plays on a factory program of its own: strings, plucked
    # echo keys, then a pad.
    s.program(bar(1), 0)
    s.program(bar(5), 56)
    s.program(bar(9), 13)

    # --- A: strings. Chords a whole bar each, overlapping into the next.
    s.control(bar(1), MOD, 0)
    s.control(bar(1), PEDAL, 0)
    chords_a = [["A2", "E3", "A3", "C4"], ["F2", "C3", "F3", "A3"],
                ["C3", "G3", "C4", "E4"], ["G2", "D3", "G3", "B3"]]
    for i, chord in enumerate(chords_a):
        last = i == len(chords_a) - 1
        s.chord(bar(1 + i), 3.0 if last else 4 + LEGATO, chord, 76)
    s.line(bar(1), [("E5", 2), ("D5", 1), ("C5", 1),
                    ("A4", 2), ("C5", 1), ("F5", 1),
                    ("E5", 3), ("D5", 0.5), ("C5", 0.5)], 88)
    s.note(bar(4), 3.0, "D5", 84)
    # Vibrato from the wheel on the long E5 and the closing D5.
    s.ramp(bar(3), bar(3) + 2.5, MOD, 0, 56, 10)
    s.ramp(bar(3) + 2.5, bar(4), MOD, 56, 20, 4)
    s.ramp(bar(4), bar(4) + 2.5, MOD, 20, 64, 8)
    s.control(bar(4) + 3.5, MOD, 0)

    # --- B: arpeggios. The bass holds the bar; the right hand plays eighths.
    s.control(bar(5), MOD, 0)
    s.control(bar(5), PEDAL, 0)
    arpeggios = [("F2", ["F3", "A3", "C4", "F4", "A4", "F4", "C4", "A3"]),
                 ("G2", ["G3", "B3", "D4", "G4", "B4", "G4", "D4", "B3"]),
                 ("E2", ["E3", "G3", "B3", "E4", "G4", "E4", "B3", "G3"]),
                 ("A2", ["A3", "C4", "E4", "A4", "C5", "A4", "E4", "C4"])]
    for i, (bass, figure) in enumerate(arpeggios):
        start = bar(5 + i)
        last = i == len(arpeggios) - 1
        s.note(start, 3.0 if last else 4 + LEGATO, bass, 80)
        notes = figure[:5] if last else figure
        for j, name in enumerate(notes):
            # Accents on the beats, the last note of the section left to ring.
            length = 1.5 if last and j == len(notes) - 1 else 0.4
            s.note(start + 0.5 * j, length, name, 92 if j % 2 == 0 else 72)

    # --- C: pad and high melody, ending on C major under the pedal.
    s.control(bar(9), MOD, 0)
    s.control(bar(9), PEDAL, 0)
    chords_c = [(bar(9), 4, ["D3", "F3", "A3", "C4"]),
                (bar(10), 4, ["G2", "D3", "G3", "B3"]),
                (bar(11), 2, ["E3", "G3", "B3", "E4"]),
                (bar(11) + 2, 2, ["A2", "E3", "A3", "C4"]),
                (bar(12), 2, ["F2", "C3", "F3", "A3"])]
    for start, length, chord in chords_c:
        s.chord(start, length + LEGATO, chord, 80)
    s.line(bar(9), [("A5", 2), ("G5", 1), ("F5", 1),
                    ("G5", 3), ("F5", 0.5), ("E5", 0.5),
                    ("E5", 2), ("C5", 1), ("E5", 1),
                    ("F5", 2)], 92)
    # The final chord: keys down for one beat, the pedal holds it to the
    # end of bar 12, then a tail of two and a half seconds.
    final = bar(12) + 2
    s.control(final + 0.1, PEDAL, 127)
    s.chord(final, 1, ["C3", "G3", "C4", "E4", "G5"], 84)
    s.control(bar(13), PEDAL, 0)
    # Wheel swell on the long G5 of bar 10 and on the last chord.
    s.ramp(bar(10), bar(10) + 3, MOD, 0, 72, 12)
    s.ramp(bar(10) + 3, bar(11), MOD, 72, 0, 4)
    s.ramp(final, bar(13), MOD, 0, 48, 8)
    s.control(bar(13) + 1, MOD, 0)

    end_beat = bar(13) + 10 / 3  # 2.5 seconds of tail
    return s, end_beat


def ticks(beat):
    return int(round(beat * PPQ))


def events(score):
    """Channel events as (tick, order, bytes); at one tick note-offs come
    first, then controllers, then note-ons, so a re-struck note is released
    before it sounds again."""
    notes = sorted(score.notes, key=lambda n: (n[2], n[0]))
    # A note that is struck again before its overlap ends is released at the
    # new onset instead: the same key cannot be held twice.
    tied = []
    for i, (start, end, note, velocity) in enumerate(notes):
        if i + 1 < len(notes) and notes[i + 1][2] == note and notes[i + 1][0] < end:
            end = notes[i + 1][0]
        tied.append((start, end, note, velocity))

    out = []
    for start, end, note, velocity in tied:
        out.append((ticks(start), 2, bytes([0x90 | CHANNEL, note, velocity])))
        out.append((ticks(end), 0, bytes([0x80 | CHANNEL, note, 64])))
    for beat, controller, value in score.controls:
        out.append((ticks(beat), 1, bytes([0xB0 | CHANNEL, controller, value])))
    # A section's program is chosen before anything else at its first tick.
    for beat, number in score.programs:
        out.append((ticks(beat), -1, bytes([0xC0 | CHANNEL, number])))
    out.sort(key=lambda e: (e[0], e[1], e[2][1]))
    return out


def vlq(value):
    """A MIDI variable-length quantity."""
    data = [value & 0x7F]
    value >>= 7
    while value:
        data.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(data))


def meta(kind, payload):
    return bytes([0xFF, kind]) + vlq(len(payload)) + payload


def smf(score, end_beat):
    track = bytearray()
    track += vlq(0) + meta(0x03, b"Three Rooms")
    track += vlq(0) + meta(0x51, TEMPO_US.to_bytes(3, "big"))
    track += vlq(0) + meta(0x58, bytes([4, 2, 24, 8]))  # 4/4
    track += vlq(0) + meta(0x59, bytes([0, 1]))         # A minor
    now = 0
    for tick, _, message in events(score):
        track += vlq(tick - now) + message
        now = tick
    track += vlq(max(0, ticks(end_beat) - now)) + meta(0x2F, b"")

    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, PPQ)
    return header + b"MTrk" + struct.pack(">I", len(track)) + bytes(track)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "demo.mid")
    score, end_beat = compose()
    with open(out, "wb") as f:
        f.write(smf(score, end_beat))


if __name__ == "__main__":
    main()
