#include "platform/headless/headless_audio.h"

#include <cstdio>
#include <new>
#include <string>

#include "platform/test_probes.h"

namespace tessera {

namespace {

std::string Format(const char* fmt, long a = 0, long b = 0, long c = 0) {
  char buf[128];
  std::snprintf(buf, sizeof buf, fmt, a, b, c);
  return buf;
}

// Reports a call to the test probe and returns the failure it asks for, or
// DS_OK.  The line is built only while a probe listens.
template <typename Describe>
HRESULT Call(const char* name, Describe describe) {
  auto* probe = Probes().audio_call;
  return probe ? probe(name, describe()) : DS_OK;
}
HRESULT Call(const char* name, const char* line) {
  return Call(name, [line] { return std::string(line); });
}

// Reports the call's outcome when the buffer itself refused it.
HRESULT Finish(HRESULT code) {
  if (code != DS_OK && Probes().audio_refused) Probes().audio_refused(code);
  return code;
}

// A release cannot fail; it is only reported.
void Released(const std::string& line) {
  if (Probes().audio_call) Probes().audio_call(nullptr, line);
}

class HeadlessBuffer : public SoftwareBuffer {
 public:
  HeadlessBuffer(const DSBUFFERDESC& desc, int number)
      : SoftwareBuffer(desc, nullptr), number_(number), tag_("#" + std::to_string(number) + " ") {
    if (Probes().audio_buffer) Probes().audio_buffer(number_, this);
  }
  ~HeadlessBuffer() override {
    if (Probes().audio_buffer) Probes().audio_buffer(number_, nullptr);
    Released(tag_ + "Release");
  }
  HRESULT GetStatus(DWORD* status) override {
    if (HRESULT hr = Call("GetStatus", [&] { return tag_ + "GetStatus"; })) return hr;
    return Finish(SoftwareBuffer::GetStatus(status));
  }
  HRESULT SetPan(long pan) override {
    if (HRESULT hr = Call("SetPan", [&] { return tag_ + Format("SetPan %ld", pan); })) return hr;
    return Finish(SoftwareBuffer::SetPan(pan));
  }
  HRESULT SetVolume(long volume) override {
    if (HRESULT hr = Call("SetVolume", [&] { return tag_ + Format("SetVolume %ld", volume); }))
      return hr;
    return Finish(SoftwareBuffer::SetVolume(volume));
  }
  HRESULT SetFrequency(DWORD frequency) override {
    if (HRESULT hr = Call("SetFrequency",
                          [&] { return tag_ + Format("SetFrequency %ld", long(frequency)); }))
      return hr;
    return Finish(SoftwareBuffer::SetFrequency(frequency));
  }
  HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) override {
    if (HRESULT hr = Call("Play", [&] { return tag_ + Format("Play 0x%lX", long(flags)); }))
      return hr;
    return Finish(SoftwareBuffer::Play(reserved1, priority, flags));
  }
  HRESULT Stop() override {
    if (HRESULT hr = Call("Stop", [&] { return tag_ + "Stop"; })) return hr;
    return Finish(SoftwareBuffer::Stop());
  }
  HRESULT SetCurrentPosition(DWORD position) override {
    if (HRESULT hr = Call("SetCurrentPosition",
                          [&] { return tag_ + Format("SetCurrentPosition %ld", long(position)); }))
      return hr;
    return Finish(SoftwareBuffer::SetCurrentPosition(position));
  }
  HRESULT GetCurrentPosition(DWORD* play, DWORD* write) override {
    if (HRESULT hr = Call("GetCurrentPosition", [&] { return tag_ + "GetCurrentPosition"; }))
      return hr;
    return Finish(SoftwareBuffer::GetCurrentPosition(play, write));
  }
  HRESULT Lock(DWORD offset, DWORD bytes, void** region1, DWORD* bytes1, void** region2,
               DWORD* bytes2, DWORD flags) override {
    if (HRESULT hr = Call("Lock", [&] {
          return tag_ + Format("Lock %ld %ld 0x%lX", long(offset), long(bytes), long(flags));
        }))
      return hr;
    return Finish(SoftwareBuffer::Lock(offset, bytes, region1, bytes1, region2, bytes2, flags));
  }
  HRESULT Unlock(void* region1, DWORD bytes1, void* region2, DWORD bytes2) override {
    if (HRESULT hr = Call("Unlock", [&] { return tag_ + "Unlock"; })) return hr;
    return Finish(SoftwareBuffer::Unlock(region1, bytes1, region2, bytes2));
  }

 private:
  int number_;
  std::string tag_;
};

class HeadlessDevice : public AudioDevice {
 public:
  ~HeadlessDevice() override { Released("Release"); }
  HRESULT SetCooperativeLevel(HWND, DWORD level) override {
    return Call("SetCooperativeLevel",
                [&] { return Format("SetCooperativeLevel %ld", long(level)); });
  }
  HRESULT GetCaps(DSCAPS* caps) override {
    if (HRESULT hr = Call("GetCaps", "GetCaps")) return hr;
    if (!caps || caps->dwSize != sizeof(DSCAPS)) return Finish(DSERR_INVALIDPARAM);
    SoftwareMixerCaps(caps);
    return DS_OK;
  }
  HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc,
                            std::unique_ptr<AudioBuffer>* buffer) override {
    buffer->reset();
    const int number = Probes().audio_next_number ? Probes().audio_next_number() : 0;
    auto describe = [&] {
      std::string line = "CreateSoundBuffer #" + std::to_string(number);
      if (desc) {
        line += Format(" bytes=%ld flags=0x%08lX", long(desc->dwBufferBytes), long(desc->dwFlags));
        if (const WAVEFORMATEX* f = desc->lpwfxFormat) {
          line += Format(" tag=%ld channels=%ld rate=%ld", f->wFormatTag, f->nChannels,
                         long(f->nSamplesPerSec));
          line += Format(" avg=%ld align=%ld bits=%ld", long(f->nAvgBytesPerSec), f->nBlockAlign,
                         f->wBitsPerSample);
        }
      }
      return line;
    };
    if (HRESULT hr = Call("CreateSoundBuffer", describe)) return hr;
    if (HRESULT hr = CheckBufferDesc(desc)) return Finish(hr);
    try {
      *buffer = std::make_unique<HeadlessBuffer>(*desc, number);
    } catch (const std::bad_alloc&) {
      return Finish(DSERR_OUTOFMEMORY);
    }
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

}  // namespace tessera
