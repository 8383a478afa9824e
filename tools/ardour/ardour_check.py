#!/usr/bin/env python3
"""File-level helpers of tools/ardour-check.sh: reading the plug-in's state out
of a saved Ardour 7 session, placing a MIDI file on a track, and measuring the
rendered WAV. Standard library only.

Every check prints lines starting with "PASS:", "FAIL:" or "INFO:"; the shell
script counts them.

Subcommands:
  host-view SESSION_FILE LABEL         host's parameter values == plug-in state?
  state SESSION_FILE                   print the plug-in state kept in the session
  strip-host-values SRC DST ID,...     copy a snapshot without the host's own
                                       values for these parameters
  extract-state SESSION_FILE OUT       the component state, as kelva-host reads it
  make-midi OUT                        a short test piece, when none is given
  without-program-changes IN OUT       the file minus its program changes
  import SESSION_DIR SNAPSHOT MIDI TRACK TAIL_SECONDS
  wav-check WAV SECONDS                not silent, finite, not clipped
  stereo WAV                           left and right differ
  compare WAV REFERENCE                loudness envelopes of two renders agree
"""
import array
import base64
import math
import os
import re
import shutil
import struct
import sys
import xml.etree.ElementTree as ET

PARAM_COUNT = 55
STATE_TAG = b"Kelva_1.3.1"
TICKS_PER_BEAT = 1920  # the host's musical time resolution


# ---------------------------------------------------------------- session file

def kelva_processor(root):
    for proc in root.iter("Processor"):
        if proc.get("type") == "vst3" and proc.get("name") == "Kelva":
            return proc
    raise SystemExit("FAIL: the session holds no Kelva plug-in")


def vst3_chunk(proc):
    """The VST 3 preset container Ardour stores: header, data, chunk list."""
    chunk = proc.find("vst3/chunk")
    if chunk is None or not chunk.text:
        raise SystemExit("FAIL: the session holds no plug-in state")
    return base64.b64decode(chunk.text)


def component_state(raw):
    if raw[:4] != b"VST3":
        raise SystemExit("FAIL: the stored plug-in state is not a VST 3 preset container")
    list_at = struct.unpack_from("<q", raw, 40)[0]
    if raw[list_at:list_at + 4] != b"List":
        raise SystemExit("FAIL: the stored plug-in state has no chunk list")
    count = struct.unpack_from("<i", raw, list_at + 4)[0]
    for k in range(count):
        ident, offset, size = struct.unpack_from("<4sqq", raw, list_at + 8 + 20 * k)
        if ident == b"Comp":
            return raw[offset:offset + size]
    raise SystemExit("FAIL: the stored plug-in state has no component state")


def decode_state(comp):
    """(program index, program name, 55 plain values, bypass) of a component state."""
    if comp[:len(STATE_TAG)] != STATE_TAG:
        raise SystemExit("FAIL: the component state does not start with %r" % STATE_TAG)
    program, length = struct.unpack_from("<ii", comp, 11)
    name = comp[19:19 + length].decode("utf-8", "replace")
    values = struct.unpack_from("<%dd" % PARAM_COUNT, comp, 19 + length)
    end = 19 + length + 8 * PARAM_COUNT
    bypass = struct.unpack_from("<i", comp, end)[0] if len(comp) >= end + 4 else None
    return program, name, values, bypass


def load(session_file):
    root = ET.parse(session_file).getroot()
    proc = kelva_processor(root)
    return root, proc, decode_state(component_state(vst3_chunk(proc)))


def host_values(proc):
    """Parameter index -> (name, plain value) as the host saved them."""
    names = {int(c.get("parameter")): c.get("name") for c in proc.iter("Controllable") if c.get("parameter")}
    values = {}
    for port in proc.iter("Port"):
        index = int(port.get("id"))
        values[index] = (names.get(index, "#%d" % index), float(port.get("value")))
    return values


def cmd_state(session_file):
    _, _, (program, name, values, bypass) = load(session_file)
    print("INFO: plug-in state: program %d %r, bypass %s" % (program, name, bypass))
    print("INFO: values " + " ".join("%d=%.6g" % (i, v) for i, v in enumerate(values)))


def cmd_host_view(session_file, label):
    _, proc, (program, name, values, _) = load(session_file)
    shown = host_values(proc)
    if len(shown) != PARAM_COUNT:
        print("FAIL: %s: the host saved %d parameter values, not %d" % (label, len(shown), PARAM_COUNT))
        return
    wrong = []
    for index, (pname, value) in sorted(shown.items()):
        mine = values[index]
        if abs(value - mine) > 1e-5 * max(1.0, abs(mine)):
            wrong.append("%s (host %.6g, plug-in %.6g)" % (pname, value, mine))
    if wrong:
        print("FAIL: %s: the host's values differ from the plug-in's state (program %d %r) for %d "
              "parameters: %s" % (label, program, name, len(wrong), "; ".join(wrong[:6]) +
                                  ("; ..." if len(wrong) > 6 else "")))
    else:
        print("PASS: %s: the host shows the plug-in's own values (program %d %r)" % (label, program, name))


def cmd_strip_host_values(src, dst, ids):
    wanted = {int(i) for i in ids.split(",")}
    text = open(src, encoding="utf-8").read()
    removed = 0
    for index in wanted:
        text, n1 = re.subn(r'\s*<Port id="%d" value="[^"]*"/>' % index, "", text)
        text, n2 = re.subn(r'\s*<Controllable [^>]*parameter="%d"/>' % index, "", text)
        removed += n1 + n2
    if removed != 2 * len(wanted):
        raise SystemExit("FAIL: could not remove the host's values of parameters %s" % ids)
    open(dst, "w", encoding="utf-8").write(text)


def cmd_extract_state(session_file, out):
    root = ET.parse(session_file).getroot()
    open(out, "wb").write(component_state(vst3_chunk(kelva_processor(root))))


# ---------------------------------------------------------------- MIDI files

def read_varlen(data, pos):
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos


def write_varlen(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def read_smf(path):
    """(format, division, tracks), a track being a list of (tick, event bytes)."""
    data = open(path, "rb").read()
    if data[:4] != b"MThd":
        raise SystemExit("FAIL: %s is not a Standard MIDI File" % path)
    fmt, ntracks, division = struct.unpack(">HHH", data[8:14])
    if division & 0x8000:
        raise SystemExit("FAIL: %s uses SMPTE time, which this check does not handle" % path)
    pos = 8 + struct.unpack(">I", data[4:8])[0]
    tracks = []
    for _ in range(ntracks):
        if data[pos:pos + 4] != b"MTrk":
            raise SystemExit("FAIL: %s: missing track chunk" % path)
        length = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + length]
        pos += 8 + length
        events, i, tick, status = [], 0, 0, 0
        while i < len(body):
            delta, i = read_varlen(body, i)
            tick += delta
            start = i
            byte = body[i]
            if byte == 0xFF:
                size, i = read_varlen(body, i + 2)
                i += size
                events.append((tick, body[start:i]))
                continue
            if byte in (0xF0, 0xF7):
                size, i = read_varlen(body, i + 1)
                i += size
                events.append((tick, body[start:i]))
                continue
            if byte & 0x80:
                status = byte
                i += 1
            size = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
            events.append((tick, bytes([status]) + body[i:i + size]))
            i += size
        tracks.append(events)
    return fmt, division, tracks


def write_smf(path, fmt, division, tracks):
    out = b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division)
    for events in tracks:
        body, last = b"", 0
        for tick, event in events:
            body += write_varlen(tick - last) + event
            last = tick
        if not events or events[-1][1][:2] != b"\xff\x2f":
            body += b"\x00\xff\x2f\x00"
        out += b"MTrk" + struct.pack(">I", len(body)) + body
    open(path, "wb").write(out)


def cmd_make_midi(out):
    """Six seconds at 120 beats per minute: four held chords, then a run."""
    ppq, events = 480, [(0, b"\xff\x51\x03\x07\xa1\x20")]
    chords = [(57, 60, 64), (53, 57, 60), (48, 52, 55), (55, 59, 62)]
    for bar, chord in enumerate(chords):
        on, off = bar * 2 * ppq, (bar + 1) * 2 * ppq - 10
        for note in chord:
            events.append((on, bytes([0x90, note, 96])))
            events.append((off, bytes([0x80, note, 0])))
    for step, note in enumerate((69, 72, 76, 81, 76, 72, 69, 64)):
        on = 8 * ppq + step * ppq // 2
        events.append((on, bytes([0x90, note, 100])))
        events.append((on + ppq // 2 - 10, bytes([0x80, note, 0])))
    events.sort(key=lambda e: e[0])
    write_smf(out, 0, ppq, [events])


def cmd_without_program_changes(src, dst):
    fmt, division, tracks = read_smf(src)
    removed = 0
    kept = []
    for events in tracks:
        keep = [e for e in events if e[1][0] & 0xF0 != 0xC0 or e[1][0] == 0xFF]
        removed += len(events) - len(keep)
        kept.append(keep)
    write_smf(dst, fmt, division, kept)
    notes = sum(1 for events in kept for _, e in events if e[0] & 0xF0 == 0x90 and e[2] > 0)
    print("INFO: MIDI file: %d notes, %d program changes left out" % (notes, removed))


def cmd_import(session_dir, snapshot, midi_path, track_name, tail):
    """Does on the session file what the editor's import does: copies the file
    into the session's midifiles folder, adds its source and a region on the
    track's playlist, takes the file's first tempo as the session's and makes
    the session range cover the piece plus a tail for the release."""
    tail = float(tail)
    _, division, tracks = read_smf(midi_path)
    end_tick = max((events[-1][0] for events in tracks if events), default=0)
    tempo_us = next((int.from_bytes(e[3:6], "big") for events in tracks for _, e in events
                     if e[:2] == b"\xff\x51"), 500000)

    session_file = os.path.join(session_dir, snapshot + ".ardour")
    tree = ET.parse(session_file)
    root = tree.getroot()
    next_id = int(root.get("id-counter"))

    def new_id():
        nonlocal next_id
        next_id += 1
        return str(next_id)

    interchange = os.path.join(session_dir, "interchange")
    folders = [d for d in os.listdir(interchange) if os.path.isdir(os.path.join(interchange, d, "midifiles"))]
    if len(folders) != 1:
        raise SystemExit("FAIL: cannot tell the session's midifiles folder")
    name = os.path.basename(midi_path)
    shutil.copyfile(midi_path, os.path.join(interchange, folders[0], "midifiles", name))

    route = next((r for r in root.iter("Route") if r.get("name") == track_name), None)
    if route is None or not route.get("midi-playlist"):
        raise SystemExit("FAIL: the session has no MIDI track named " + track_name)
    playlist = next((p for p in root.iter("Playlist") if p.get("id") == route.get("midi-playlist")), None)
    if playlist is None:
        raise SystemExit("FAIL: the track's playlist is missing")

    bpm = 60e6 / tempo_us
    for tempo in root.iter("Tempo"):
        tempo.set("npm", repr(bpm))
        tempo.set("enpm", repr(bpm))
    superclock = int(root.find("TempoMap").get("superclocks-per-second"))
    beats = end_tick / division
    seconds = beats * 60.0 / bpm

    source_id = new_id()
    ET.SubElement(root.find("Sources"), "Source", {
        "name": name, "type": "midi", "flags": "", "id": source_id, "origin": midi_path})
    for parent, whole_file in ((root.find("Regions"), "1"), (playlist, "0")):
        # Musical time is written "b<ticks>", a length as "<distance>@<position>".
        ET.SubElement(parent, "Region", {
            "name": os.path.splitext(name)[0], "id": new_id(), "type": "midi",
            "muted": "0", "opaque": "1", "locked": "0", "whole-file": whole_file, "import": "1",
            "start": "b0", "length": "b%d@a0" % round(beats * TICKS_PER_BEAT), "sync-position": "b0",
            "layering-index": "0", "source-0": source_id, "master-source-0": source_id})

    locations = root.find("Locations")
    for old in [l for l in locations if "IsSessionRange" in l.get("flags", "")]:
        locations.remove(old)
    ET.SubElement(locations, "Location", {
        "id": new_id(), "name": "session", "start": "a0",
        "end": "a%d" % round((seconds + tail) * superclock), "flags": "IsSessionRange",
        "locked": "0", "timestamp": "0"})
    root.set("id-counter", str(next_id + 1))
    tree.write(session_file, encoding="UTF-8", xml_declaration=True)
    print("INFO: placed %s on track %s: %.2f s at %.1f beats per minute" % (name, track_name, seconds, bpm))


# ---------------------------------------------------------------- WAV files

def read_wav(path):
    """(rate, channels, interleaved samples as floats) of a PCM or float WAV."""
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise SystemExit("FAIL: %s is not a WAV file" % path)
    pos, fmt = 12, None
    while pos + 8 <= len(data):
        ident = data[pos:pos + 4]
        size = struct.unpack_from("<I", data, pos + 4)[0]
        body = data[pos + 8:pos + 8 + size]
        if ident == b"fmt ":
            tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", body)
            if tag == 0xFFFE:
                tag = struct.unpack_from("<H", body, 24)[0]
            fmt = (tag, channels, rate, bits)
        elif ident == b"data" and fmt:
            tag, channels, rate, bits = fmt
            if tag == 3 and bits == 32:
                samples = array.array("f")
                samples.frombytes(body[:len(body) // 4 * 4])
            elif tag == 1 and bits == 16:
                raw = array.array("h")
                raw.frombytes(body[:len(body) // 2 * 2])
                samples = array.array("f", (x / 32768.0 for x in raw))
            else:
                raise SystemExit("FAIL: %s: unsupported sample format %r" % (path, fmt))
            return rate, channels, samples
        pos += 8 + size + (size & 1)
    raise SystemExit("FAIL: %s has no audio data" % path)


def cmd_wav_check(path, seconds):
    rate, channels, samples = read_wav(path)
    frames = len(samples) // channels
    bad = sum(1 for x in samples if not math.isfinite(x))
    finite = [x for x in samples if math.isfinite(x)]
    peak = max((abs(x) for x in finite), default=0.0)
    clipped = sum(1 for x in finite if abs(x) >= 1.0)
    rms = [math.sqrt(sum(x * x for x in samples[c::channels] if math.isfinite(x)) / max(1, frames))
           for c in range(channels)]
    print("INFO: render: %d channels, %d Hz, %.2f s, peak %.4f, RMS %s" %
          (channels, rate, frames / rate, peak, " ".join("%.4f" % r for r in rms)))
    ok = True
    if channels != 2:
        print("FAIL: render has %d channels, not 2" % channels)
        ok = False
    if abs(frames / rate - float(seconds)) > 0.1:
        print("FAIL: render lasts %.2f s, the session range %.2f s" % (frames / rate, float(seconds)))
        ok = False
    if bad:
        print("FAIL: render holds %d NaN or infinite samples" % bad)
        ok = False
    if clipped:
        print("FAIL: %d samples reach full scale (clipping)" % clipped)
        ok = False
    if min(rms) < 1e-3:
        print("FAIL: render is silent on a channel (RMS %s)" % " ".join("%.2g" % r for r in rms))
        ok = False
    if ok:
        print("PASS: render is stereo, %.2f s, finite, peak %.3f below full scale, not silent" %
              (frames / rate, peak))


def cmd_stereo(path):
    _, channels, samples = read_wav(path)
    if channels == 2 and any(abs(a - b) > 1e-6 for a, b in zip(samples[0::2], samples[1::2])):
        print("PASS: left and right differ (sections panned off centre)")
    else:
        print("FAIL: left and right are identical although the sections are panned off centre")


def envelope(path, window_seconds=0.5):
    rate, channels, samples = read_wav(path)
    step = int(rate * window_seconds) * channels
    out = []
    for start in range(0, len(samples) - step + 1, step):
        block = samples[start:start + step]
        out.append(math.sqrt(sum(x * x for x in block) / step))
    return out


def db(x):
    return 20 * math.log10(max(x, 1e-9))


def cmd_compare(path, reference):
    a, b = envelope(path), envelope(reference)
    n = min(len(a), len(b))
    a, b = a[:n], b[:n]
    total_a = math.sqrt(sum(x * x for x in a) / max(1, n))
    total_b = math.sqrt(sum(x * x for x in b) / max(1, n))
    loud = [i for i in range(n) if max(a[i], b[i]) > 1e-3]
    ea, eb = [db(a[i]) for i in loud], [db(b[i]) for i in loud]
    worst = max((abs(x - y) for x, y in zip(ea, eb)), default=0.0)
    ma, mb = sum(ea) / max(1, len(ea)), sum(eb) / max(1, len(eb))
    cov = sum((x - ma) * (y - mb) for x, y in zip(ea, eb))
    var = math.sqrt(sum((x - ma) ** 2 for x in ea) * sum((y - mb) ** 2 for y in eb))
    corr = cov / var if var > 0 else 1.0
    diff = db(total_a) - db(total_b)
    print("INFO: Ardour vs kelva-host: level %+.2f dB, loudness envelope correlation %.3f, "
          "largest half-second difference %.1f dB" % (diff, corr, worst))
    if abs(diff) < 1.0 and corr > 0.97:
        print("PASS: the Ardour render follows the kelva-host render of the same state and notes")
    else:
        print("FAIL: the Ardour render differs from the kelva-host render of the same state and notes")


COMMANDS = {
    "host-view": (cmd_host_view, 2), "state": (cmd_state, 1),
    "strip-host-values": (cmd_strip_host_values, 3), "extract-state": (cmd_extract_state, 2),
    "make-midi": (cmd_make_midi, 1), "without-program-changes": (cmd_without_program_changes, 2),
    "import": (cmd_import, 5), "wav-check": (cmd_wav_check, 2), "stereo": (cmd_stereo, 1), "compare": (cmd_compare, 2),
}

if __name__ == "__main__":
    if len(sys.argv) < 2 or sys.argv[1] not in COMMANDS or len(sys.argv) - 2 != COMMANDS[sys.argv[1]][1]:
        sys.exit(__doc__)
    COMMANDS[sys.argv[1]][0](*sys.argv[2:])
