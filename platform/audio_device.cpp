#include "platform/audio_device.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/headless/headless_audio.h"

namespace tessera {

namespace {
AudioDeviceFactory& Factory() {
  static AudioDeviceFactory factory;
  return factory;
}
}  // namespace

void SetAudioDeviceFactory(AudioDeviceFactory factory) { Factory() = std::move(factory); }

HRESULT CreateAudioDevice(std::unique_ptr<AudioDevice>* device) {
  device->reset();
  if (Factory()) return Factory()(device);
  return CreateHeadlessAudioDevice(device);
}

HRESULT CheckBufferDesc(const DSBUFFERDESC* desc) {
  if (!desc || desc->dwSize != sizeof(DSBUFFERDESC) || !desc->lpwfxFormat ||
      (desc->dwFlags & DSBCAPS_PRIMARYBUFFER))
    return DSERR_INVALIDPARAM;
  if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
    return DSERR_INVALIDPARAM;
  const WAVEFORMATEX& f = *desc->lpwfxFormat;
  if (f.wFormatTag != WAVE_FORMAT_PCM || (f.nChannels != 1 && f.nChannels != 2) ||
      (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) ||
      f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8 || f.nSamplesPerSec < DSBFREQUENCY_MIN ||
      f.nSamplesPerSec > DSBFREQUENCY_MAX)
    return DSERR_BADFORMAT;
  return DS_OK;
}

void SoftwareMixerCaps(DSCAPS* caps) {
  const DWORD size = caps->dwSize;
  std::memset(caps, 0, sizeof *caps);
  caps->dwSize = size;
  caps->dwFlags = DSCAPS_CONTINUOUSRATE | DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO |
                  DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT;
  caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
  caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
  caps->dwPrimaryBuffers = 1;
}

// ------------------------------------------------------------ SoftwareBuffer

SoftwareBuffer::SoftwareBuffer(const DSBUFFERDESC& desc, std::mutex* lock)
    : lock_(lock), samples_(desc.dwBufferBytes), format_(*desc.lpwfxFormat), flags_(desc.dwFlags) {
  // Silence until written: 0 for 16-bit samples, the mid value for 8-bit.
  if (format_.wBitsPerSample == 8) std::fill(samples_.begin(), samples_.end(), uint8_t(0x80));
  voice_.data = samples_.data();
  voice_.bytes = static_cast<uint32_t>(samples_.size());
  voice_.channels = format_.nChannels;
  voice_.bits = format_.wBitsPerSample;
  voice_.rate = format_.nSamplesPerSec;
}

std::unique_lock<std::mutex> SoftwareBuffer::Guard() {
  return lock_ ? std::unique_lock<std::mutex>(*lock_) : std::unique_lock<std::mutex>();
}

void SoftwareBuffer::MarkLost() {
  auto g = Guard();
  lost_ = true;
  voice_.playing = false;
}

HRESULT SoftwareBuffer::GetStatus(DWORD* status) {
  if (!status) return DSERR_INVALIDPARAM;
  auto g = Guard();
  if (lost_) {
    *status = DSBSTATUS_BUFFERLOST;
    return DS_OK;
  }
  *status = voice_.playing ? (DSBSTATUS_PLAYING | (voice_.looping ? DSBSTATUS_LOOPING : 0)) : 0;
  return DS_OK;
}

HRESULT SoftwareBuffer::SetPan(long pan) {
  if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  auto g = Guard();
  if (lost_) return DSERR_BUFFERLOST;
  voice_.pan = static_cast<int32_t>(pan);
  return DS_OK;
}

HRESULT SoftwareBuffer::SetVolume(long volume) {
  if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  auto g = Guard();
  if (lost_) return DSERR_BUFFERLOST;
  voice_.volume = static_cast<int32_t>(volume);
  return DS_OK;
}

HRESULT SoftwareBuffer::SetFrequency(DWORD frequency) {
  if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  if (frequency != DSBFREQUENCY_ORIGINAL &&
      (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
    return DSERR_INVALIDPARAM;
  auto g = Guard();
  if (lost_) return DSERR_BUFFERLOST;
  voice_.frequency = frequency;
  return DS_OK;
}

HRESULT SoftwareBuffer::Play(DWORD reserved1, DWORD priority, DWORD flags) {
  if (reserved1 != 0 || priority != 0) return DSERR_INVALIDPARAM;
  auto g = Guard();
  if (lost_) return DSERR_BUFFERLOST;
  voice_.looping = (flags & DSBPLAY_LOOPING) != 0;
  voice_.playing = true;
  return DS_OK;
}

HRESULT SoftwareBuffer::Stop() {
  auto g = Guard();
  if (lost_) return DSERR_BUFFERLOST;
  voice_.playing = false;
  return DS_OK;
}

HRESULT SoftwareBuffer::SetCurrentPosition(DWORD position) {
  auto g = Guard();
  if (lost_) return DSERR_BUFFERLOST;
  if (position >= samples_.size()) return DSERR_INVALIDPARAM;
  voice_.frame = position / (voice_.BlockAlign() ? voice_.BlockAlign() : 1);
  voice_.frac = 0;
  return DS_OK;
}

HRESULT SoftwareBuffer::GetCurrentPosition(DWORD* play, DWORD* write) {
  auto g = Guard();
  if (lost_) return DSERR_BUFFERLOST;
  const DWORD pos = voice_.frame * voice_.BlockAlign();
  if (play) *play = pos;
  // A software mixer reads samples as it mixes them: the write cursor is
  // the play cursor.
  if (write) *write = pos;
  return DS_OK;
}

HRESULT SoftwareBuffer::Lock(DWORD offset, DWORD bytes, void** region1, DWORD* bytes1,
                             void** region2, DWORD* bytes2, DWORD flags) {
  if (!region1 || !bytes1) return DSERR_INVALIDPARAM;
  auto g = Guard();
  if (lost_) return DSERR_BUFFERLOST;
  if (locked_) return DSERR_INVALIDCALL;
  const DWORD size = static_cast<DWORD>(samples_.size());
  if (flags & DSBLOCK_ENTIREBUFFER) {
    offset = 0;
    bytes = size;
  } else if (flags & DSBLOCK_FROMWRITECURSOR) {
    offset = voice_.frame * voice_.BlockAlign();
  }
  if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
  // A region that runs past the end wraps to the start, as in a ring.
  const DWORD first = std::min(bytes, size - offset);
  *region1 = samples_.data() + offset;
  *bytes1 = first;
  if (region2) *region2 = bytes > first ? samples_.data() : nullptr;
  if (bytes2) *bytes2 = bytes - first;
  if (bytes > first && (!region2 || !bytes2)) return DSERR_INVALIDPARAM;
  locked_ = true;
  // The mixer leaves a locked buffer alone, so the caller's writes never
  // race with its reads.
  voice_.data = nullptr;
  return DS_OK;
}

HRESULT SoftwareBuffer::Unlock(void* region1, DWORD, void*, DWORD) {
  auto g = Guard();
  if (lost_) return DSERR_BUFFERLOST;
  if (!locked_ || !region1) return DSERR_INVALIDPARAM;
  locked_ = false;
  voice_.data = samples_.data();
  return DS_OK;
}

}  // namespace tessera
