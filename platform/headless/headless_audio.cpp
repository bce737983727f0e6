#include "platform/headless/headless_audio.h"

#include <cstdio>
#include <map>
#include <new>

#include "platform/system_volume.h"

namespace tessera {

namespace {

struct State {
  std::vector<std::string> log;
  std::map<std::string, std::pair<HRESULT, int>> failures;
  std::map<int, SoftwareBuffer*> live;
  int next_number = 1;
};

State& S() {
  static State state;
  return state;
}

std::string Format(const char* fmt, long a = 0, long b = 0, long c = 0) {
  char buf[128];
  std::snprintf(buf, sizeof buf, fmt, a, b, c);
  return buf;
}

// Logs a call and returns the failure requested for it, or DS_OK.
HRESULT Call(const std::string& name, const std::string& line) {
  HRESULT code = DS_OK;
  auto it = S().failures.find(name);
  if (it != S().failures.end()) {
    code = it->second.first;
    if (--it->second.second <= 0) S().failures.erase(it);
  }
  std::string entry = line;
  if (code != DS_OK) entry += Format(" -> 0x%08lX", static_cast<long>(static_cast<uint32_t>(code)));
  S().log.push_back(entry);
  return code;
}

// Logs the call's outcome when the buffer itself refused it.
HRESULT Finish(HRESULT code) {
  if (code != DS_OK && !S().log.empty())
    S().log.back() += Format(" -> 0x%08lX", static_cast<long>(static_cast<uint32_t>(code)));
  return code;
}

class HeadlessBuffer : public SoftwareBuffer {
 public:
  HeadlessBuffer(const DSBUFFERDESC& desc, int number)
      : SoftwareBuffer(desc, nullptr), number_(number), tag_("#" + std::to_string(number) + " ") {
    S().live[number_] = this;
  }
  ~HeadlessBuffer() override {
    S().live.erase(number_);
    S().log.push_back(tag_ + "Release");
  }
  HRESULT GetStatus(DWORD* status) override {
    if (HRESULT hr = Call("GetStatus", tag_ + "GetStatus")) return hr;
    return Finish(SoftwareBuffer::GetStatus(status));
  }
  HRESULT SetPan(long pan) override {
    if (HRESULT hr = Call("SetPan", tag_ + Format("SetPan %ld", pan))) return hr;
    return Finish(SoftwareBuffer::SetPan(pan));
  }
  HRESULT SetVolume(long volume) override {
    if (HRESULT hr = Call("SetVolume", tag_ + Format("SetVolume %ld", volume))) return hr;
    return Finish(SoftwareBuffer::SetVolume(volume));
  }
  HRESULT SetFrequency(DWORD frequency) override {
    if (HRESULT hr = Call("SetFrequency", tag_ + Format("SetFrequency %ld", long(frequency))))
      return hr;
    return Finish(SoftwareBuffer::SetFrequency(frequency));
  }
  HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) override {
    if (HRESULT hr = Call("Play", tag_ + Format("Play 0x%lX", long(flags)))) return hr;
    return Finish(SoftwareBuffer::Play(reserved1, priority, flags));
  }
  HRESULT Stop() override {
    if (HRESULT hr = Call("Stop", tag_ + "Stop")) return hr;
    return Finish(SoftwareBuffer::Stop());
  }
  HRESULT SetCurrentPosition(DWORD position) override {
    if (HRESULT hr = Call("SetCurrentPosition", tag_ + Format("SetCurrentPosition %ld", long(position))))
      return hr;
    return Finish(SoftwareBuffer::SetCurrentPosition(position));
  }
  HRESULT GetCurrentPosition(DWORD* play, DWORD* write) override {
    if (HRESULT hr = Call("GetCurrentPosition", tag_ + "GetCurrentPosition")) return hr;
    return Finish(SoftwareBuffer::GetCurrentPosition(play, write));
  }
  HRESULT Lock(DWORD offset, DWORD bytes, void** region1, DWORD* bytes1, void** region2,
               DWORD* bytes2, DWORD flags) override {
    if (HRESULT hr = Call("Lock", tag_ + Format("Lock %ld %ld 0x%lX", long(offset), long(bytes), long(flags))))
      return hr;
    return Finish(SoftwareBuffer::Lock(offset, bytes, region1, bytes1, region2, bytes2, flags));
  }
  HRESULT Unlock(void* region1, DWORD bytes1, void* region2, DWORD bytes2) override {
    if (HRESULT hr = Call("Unlock", tag_ + "Unlock")) return hr;
    return Finish(SoftwareBuffer::Unlock(region1, bytes1, region2, bytes2));
  }

 private:
  int number_;
  std::string tag_;
};

class HeadlessDevice : public AudioDevice {
 public:
  ~HeadlessDevice() override { S().log.push_back("Release"); }
  HRESULT SetCooperativeLevel(HWND, DWORD level) override {
    return Call("SetCooperativeLevel", Format("SetCooperativeLevel %ld", long(level)));
  }
  HRESULT GetCaps(DSCAPS* caps) override {
    if (HRESULT hr = Call("GetCaps", "GetCaps")) return hr;
    if (!caps || caps->dwSize != sizeof(DSCAPS)) return Finish(DSERR_INVALIDPARAM);
    SoftwareMixerCaps(caps);
    return DS_OK;
  }
  HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, std::unique_ptr<AudioBuffer>* buffer) override {
    buffer->reset();
    const int number = S().next_number;
    std::string line = "CreateSoundBuffer #" + std::to_string(number);
    if (desc) {
      line += Format(" bytes=%ld flags=0x%08lX", long(desc->dwBufferBytes), long(desc->dwFlags));
      if (const WAVEFORMATEX* f = desc->lpwfxFormat) {
        line += Format(" tag=%ld channels=%ld rate=%ld", f->wFormatTag, f->nChannels, long(f->nSamplesPerSec));
        line += Format(" avg=%ld align=%ld bits=%ld", long(f->nAvgBytesPerSec), f->nBlockAlign, f->wBitsPerSample);
      }
    }
    if (HRESULT hr = Call("CreateSoundBuffer", line)) return hr;
    if (HRESULT hr = CheckBufferDesc(desc)) return Finish(hr);
    try {
      *buffer = std::make_unique<HeadlessBuffer>(*desc, number);
    } catch (const std::bad_alloc&) {
      return Finish(DSERR_OUTOFMEMORY);
    }
    ++S().next_number;
    return DS_OK;
  }
};

}  // namespace

HRESULT CreateHeadlessAudioDevice(std::unique_ptr<AudioDevice>* device) {
  device->reset();
  if (HRESULT hr = Call("DirectSoundCreate", "DirectSoundCreate")) return hr;
  *device = std::make_unique<HeadlessDevice>();
  return DS_OK;
}

const std::vector<std::string>& HeadlessAudioLog() { return S().log; }
void ClearHeadlessAudioLog() { S().log.clear(); }

void FailHeadlessAudioCall(const std::string& call, HRESULT code, int times) {
  S().failures[call] = {code, times};
}

void ResetHeadlessAudio() {
  S().log.clear();
  S().failures.clear();
  S().next_number = 1;
}

SoftwareBuffer* HeadlessAudioBuffer(int number) {
  auto it = S().live.find(number);
  return it == S().live.end() ? nullptr : it->second;
}

void MixHeadlessAudio(int16_t* out, size_t frames, uint32_t rate) {
  std::vector<MixVoice*> voices;
  for (auto& [number, buffer] : S().live)
    if (!buffer->lost()) voices.push_back(&buffer->voice());
  const DWORD master = SystemVolumes().Get(VolumeDevice::kWave);
  MixVoices(voices.data(), voices.size(), out, frames, rate, MasterGainQ16(master & 0xFFFF),
            MasterGainQ16(master >> 16));
}

}  // namespace tessera
