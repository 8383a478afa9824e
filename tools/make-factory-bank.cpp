// Builds the factory bank from its readable source, and auditions programs.
//
//   kelva-make-factory-bank <programs.txt> <out.fxb>
//       reads the programs, stores each into its slot of a Kelva and saves the
//       bank file (program 0 current).
//   kelva-make-factory-bank <programs.txt> --render <program> <out.wav>
//                           [<in.mid> [<from> <to>]]
//       plays a short phrase (a held chord, a legato melody with a
//       modulation-wheel swell, a few low notes), or the MIDI file, or the
//       part of it from <from> to <to> seconds, through one program and
//       writes it as a 32-bit float WAV file at 48 kHz.
//   kelva-make-factory-bank <programs.txt> --check
//       holds a four-note chord on every program and prints its peak and
//       loudest RMS; fails when a program is silent, clips or produces NaN.
//
// Any error in the source stops the tool with a message naming the line and
// exit status 1.

// smf.h includes glib.h inside extern "C", which breaks glib's C++ parts;
// included first, glib.h is skipped there.
#include <glib.h>
#include <smf.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "kelva.h"
#include "programs_parser.h"

namespace
{

constexpr double kSampleRate = 48000;
constexpr int kBlockSize = 512;

// The chord every program is measured with: C3 G3 C4 E4.
constexpr int kChord[] = {48, 55, 60, 64};
constexpr double kChordHold = 4.0;
constexpr double kChordTail = 3.0;
// A program whose loudest moment stays below this RMS (about -40 dBFS)
// counts as silent.
constexpr double kSilenceFloor = 0.01;

struct Event
{
  double time;
  int status, data1, data2;
};

// Drives a Kelva without a host: MIDI at block starts, stereo render.
class Audition
{
public:
  explicit Audition(Kelva& kelva) : kelva(kelva)
  {
    kelva.SetSampleRate(kSampleRate);
    kelva.SetBlockSize(kBlockSize);
    kelva.OnReset();
    kelva.OnActivate(true);
  }

  // Renders the events (sorted by time) and seconds of audio, interleaved.
  std::vector<float> play(std::vector<Event> events, double seconds)
  {
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.time < b.time; });
    const long frames = std::lround(seconds * kSampleRate);
    std::vector<float> out;
    out.reserve(static_cast<size_t>(frames) * 2);
    std::vector<double> left(kBlockSize), right(kBlockSize);
    size_t next = 0;
    for (long done = 0; done < frames;)
    {
      const int n = static_cast<int>(std::min<long>(kBlockSize, frames - done));
      while (next < events.size() && std::lround(events[next].time * kSampleRate) < done + n)
      {
        const Event& e = events[next++];
        const long offset = std::max(0L, std::lround(e.time * kSampleRate) - done);
        kelva.ProcessMidiMsg(IMidiMsg(static_cast<int>(offset), static_cast<uint8_t>(e.status),
                                      static_cast<uint8_t>(e.data1), static_cast<uint8_t>(e.data2)));
      }
      double* outputs[2] = {left.data(), right.data()};
      kelva.ProcessBlock(nullptr, outputs, n);
      for (int i = 0; i < n; ++i)
      {
        out.push_back(static_cast<float>(left[static_cast<size_t>(i)]));
        out.push_back(static_cast<float>(right[static_cast<size_t>(i)]));
      }
      done += n;
    }
    return out;
  }

private:
  Kelva& kelva;
};

void addNote(std::vector<Event>& events, double on, double off, int note, int velocity = 100)
{
  events.push_back({on, 0x90, note, velocity});
  events.push_back({off, 0x80, note, 0});
}

std::vector<Event> chordEvents()
{
  std::vector<Event> events;
  for (int note : kChord)
    addNote(events, 0.0, kChordHold, note);
  return events;
}

// The audition phrase, 12 seconds.
std::vector<Event> phraseEvents(double& seconds)
{
  std::vector<Event> events;
  for (int note : kChord)
    addNote(events, 0.0, 3.0, note);

  // A legato line (each note overlaps the next by 30 ms, so the shared
  // envelopes do not restart) with the wheel swelling up and back.
  const int melody[] = {60, 62, 64, 67, 69, 67, 64, 62, 60};
  const double start = 4.5, step = 0.45;
  for (int i = 0; i < 9; ++i)
    addNote(events, start + i * step, start + (i + 1) * step + 0.03, melody[i], 96);
  for (int i = 0; i <= 20; ++i)
  {
    const double t = start + i * (9 * step / 20);
    const int value = static_cast<int>(std::lround(110.0 * std::sin(M_PI * i / 20.0)));
    events.push_back({t, 0xB0, 1, value});
  }

  // Low notes for the basses.
  const int low[] = {36, 43, 41, 36};
  for (int i = 0; i < 4; ++i)
    addNote(events, 9.5 + i * 0.5, 9.5 + i * 0.5 + 0.4, low[i], 110);
  seconds = 12.0;
  return events;
}

// The channel messages of a MIDI file between from and to seconds, moved to
// start at 0; seconds becomes their length plus a tail for the releases.
bool midiFileEvents(const char* path, double from, double to, std::vector<Event>& events,
                    double& seconds)
{
  smf_t* smf = smf_load(path);
  if (!smf)
    return false;
  double last = 0;
  while (smf_event_t* e = smf_get_next_event(smf))
  {
    if (smf_event_is_metadata(e) || e->midi_buffer_length < 2 || e->midi_buffer_length > 3)
      continue;
    last = std::max(last, e->time_seconds);
    if (e->time_seconds < from || e->time_seconds >= to)
      continue;
    const int data2 = e->midi_buffer_length == 3 ? e->midi_buffer[2] : 0;
    events.push_back({e->time_seconds - from, e->midi_buffer[0], e->midi_buffer[1], data2});
  }
  const double end = std::min(to, std::max(last, smf_get_length_seconds(smf)));
  smf_delete(smf);
  seconds = std::max(0.0, end - from) + 2.5;
  return true;
}

struct Measure
{
  double peak = 0;
  // RMS of the loudest 50 ms window: plucked programs that die away count
  // as sounding as well as held pads.
  double loudestRms = 0;
  bool finite = true;
};

Measure measure(const std::vector<float>& interleaved)
{
  constexpr size_t kWindow = static_cast<size_t>(kSampleRate / 20) * 2;
  Measure m;
  double sum = 0;
  for (size_t i = 0; i < interleaved.size(); ++i)
  {
    const double x = interleaved[i];
    if (!std::isfinite(x))
    {
      m.finite = false;
      continue;
    }
    m.peak = std::max(m.peak, std::fabs(x));
    sum += x * x;
    if ((i + 1) % kWindow == 0)
    {
      m.loudestRms = std::max(m.loudestRms, std::sqrt(sum / static_cast<double>(kWindow)));
      sum = 0;
    }
  }
  return m;
}

bool writeWav(const char* path, const std::vector<float>& interleaved)
{
  SF_INFO info{};
  info.samplerate = static_cast<int>(kSampleRate);
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path, SFM_WRITE, &info);
  if (!file)
    return false;
  const sf_count_t frames = static_cast<sf_count_t>(interleaved.size() / 2);
  const bool ok = sf_writef_float(file, interleaved.data(), frames) == frames;
  return sf_close(file) == 0 && ok;
}

int usage()
{
  std::fprintf(stderr,
               "usage: kelva-make-factory-bank <programs.txt> <out.fxb>\n"
               "       kelva-make-factory-bank <programs.txt> --render <program> <out.wav>\n"
               "                               [<in.mid> [<from> <to>]]\n"
               "       kelva-make-factory-bank <programs.txt> --check\n");
  return 2;
}

double toDb(double x)
{
  return x > 0 ? 20 * std::log10(x) : -999;
}

} // namespace

int main(int argc, char** argv)
{
  if (argc < 3)
    return usage();
  const char* source = argv[1];
  const std::string mode = argv[2];
  if ((mode == "--render" && argc != 5 && argc != 6 && argc != 8) || (mode == "--check" && argc != 3) ||
      (mode[0] != '-' && argc != 3) || (mode[0] == '-' && mode != "--render" && mode != "--check"))
    return usage();

  std::ifstream in(source);
  if (!in)
  {
    std::fprintf(stderr, "kelva-make-factory-bank: cannot read %s\n", source);
    return 1;
  }

  Kelva kelva;
  std::vector<factory::Program> programs;
  std::string error;
  if (!factory::parsePrograms(in, source, kelva, programs, error))
  {
    std::fprintf(stderr, "kelva-make-factory-bank: %s\n", error.c_str());
    return 1;
  }
  factory::storePrograms(kelva, programs);

  if (mode == "--render")
  {
    char* end = nullptr;
    const long program = std::strtol(argv[3], &end, 10);
    if (*argv[3] == '\0' || *end != '\0' || program < 0 || program >= kelva.NPresets())
    {
      std::fprintf(stderr, "kelva-make-factory-bank: no program %s\n", argv[3]);
      return 1;
    }
    Audition audition(kelva);
    kelva.RestorePreset(static_cast<int>(program));
    double seconds = 0;
    std::vector<Event> events;
    if (argc == 5)
      events = phraseEvents(seconds);
    else
    {
      const double from = argc == 8 ? std::atof(argv[6]) : 0.0;
      const double to = argc == 8 ? std::atof(argv[7]) : 1e9;
      if (!midiFileEvents(argv[5], from, to, events, seconds))
      {
        std::fprintf(stderr, "kelva-make-factory-bank: cannot read %s\n", argv[5]);
        return 1;
      }
    }
    const std::vector<float> audio = audition.play(events, seconds);
    const Measure m = measure(audio);
    std::printf("[%02ld] %-24s peak %.3f (%.1f dBFS)  loudest RMS %.4f (%.1f dBFS)%s\n", program,
                kelva.GetPresetName(static_cast<int>(program)), m.peak, toDb(m.peak), m.loudestRms,
                toDb(m.loudestRms), m.finite ? "" : "  NaN!");
    if (!writeWav(argv[4], audio))
    {
      std::fprintf(stderr, "kelva-make-factory-bank: cannot write %s\n", argv[4]);
      return 1;
    }
    return 0;
  }

  if (mode == "--check")
  {
    int failures = 0;
    for (const factory::Program& p : programs)
    {
      // A fresh reset per program, as after loading it into a new instance.
      Audition audition(kelva);
      kelva.RestorePreset(p.number);
      const std::vector<float> audio = audition.play(chordEvents(), kChordHold + kChordTail);
      const Measure m = measure(audio);
      const bool ok = m.finite && m.peak < 1.0 && m.loudestRms > kSilenceFloor;
      failures += ok ? 0 : 1;
      std::printf("[%02d] %-24s peak %.3f (%6.1f dBFS)  RMS %.4f (%6.1f dBFS)%s\n", p.number,
                  p.name.c_str(), m.peak, toDb(m.peak), m.loudestRms, toDb(m.loudestRms),
                  ok ? "" : "  FAIL");
    }
    return failures == 0 ? 0 : 1;
  }

  if (!kelva.SaveBankAsFXB(mode.c_str()))
  {
    std::fprintf(stderr, "kelva-make-factory-bank: cannot write %s\n", mode.c_str());
    return 1;
  }
  return 0;
}
