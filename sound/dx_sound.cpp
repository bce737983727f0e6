#include "sound/dx_sound.h"

#include <cstring>

#include "platform/log.h"
#include "platform/system_volume.h"
#include "sound/dx_error.h"

using tessera::SystemVolumes;
using tessera::VolumeDevice;

CDXSound::CDXSound() : m_bNoDevice(1), m_bSoundOff(1) { std::memset(&m_Caps, 0, sizeof m_Caps); }

CDXSound::~CDXSound() = default;  // the device is released with its pointer

int CDXSound::Create(void* window) {
  HRESULT hr = tessera::CreateAudioDevice(&m_pDirectSound);
  if (hr == DS_OK)
    hr = m_pDirectSound->SetCooperativeLevel(static_cast<HWND>(window), DSSCL_NORMAL);
  if (hr == DS_OK) {
    m_bNoDevice = 0;
    m_bSoundOff = 0;
    return 1;
  }
  // The error's name is worked out but not shown: a game without sound
  // simply plays no effects.
  DSError(hr, static_cast<HWND>(window));
  tessera::LogWarning("no sound effects",
                      std::string("no audio device is open (") + tessera::DSErrorName(hr) + ")");
  m_pDirectSound.reset();
  m_bNoDevice = 1;
  m_bSoundOff = 1;
  return 0;
}

int CDXSound::GetCaps() {
  if (!m_pDirectSound) return 0;
  m_Caps.dwSize = sizeof(DSCAPS);
  return m_pDirectSound->GetCaps(&m_Caps) == DS_OK ? 1 : 0;
}

void CDXSound::SoundOnOff(int off) {
  if (m_bNoDevice == 0) m_bSoundOff = off;
}

namespace {

// Percentages to a volume word: each side scaled to 16 bits (value * 65535
// / 100, truncated to 16 bits), left low, right high.  Values above 100
// wrap within 16 bits.
DWORD VolumeWord(unsigned char left, unsigned char right) {
  const DWORD l = (DWORD(left) * 65535u / 100u) & 0xFFFFu;
  const DWORD r = (DWORD(right) * 65535u / 100u) & 0xFFFFu;
  return l | (r << 16);
}

int SetVolumeOf(VolumeDevice device, DWORD volume_flag, unsigned char left, unsigned char right) {
  DWORD support = 0;
  if (SystemVolumes().GetSupport(device, &support) != MMSYSERR_NOERROR) support = 0;
  if (!(support & volume_flag)) return 1;
  return static_cast<int>(SystemVolumes().Set(device, VolumeWord(left, right)));
}

}  // namespace

int CDXSound::SetMIDIVolume(unsigned char left, unsigned char right) {
  return SetVolumeOf(VolumeDevice::kMidi, MIDICAPS_VOLUME, left, right);
}
int CDXSound::SetDIGIVolume(unsigned char left, unsigned char right) {
  return SetVolumeOf(VolumeDevice::kWave, WAVECAPS_VOLUME, left, right);
}
int CDXSound::SetCDVolume(unsigned char left, unsigned char right) {
  return SetVolumeOf(VolumeDevice::kAux, AUXCAPS_VOLUME, left, right);
}

unsigned long CDXSound::GetMIDIVolume() { return SystemVolumes().Get(VolumeDevice::kMidi); }
unsigned long CDXSound::GetDIGIVolume() { return SystemVolumes().Get(VolumeDevice::kWave); }
unsigned long CDXSound::GetCDVolume() { return SystemVolumes().Get(VolumeDevice::kAux); }
