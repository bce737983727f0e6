#include "platform/system_volume.h"

namespace tessera {

MMRESULT SystemVolumeStore::GetSupport(VolumeDevice device, DWORD* support) {
  const int d = int(device);
  if (MMRESULT code = fail_[d]) {
    fail_[d] = MMSYSERR_NOERROR;
    return code;
  }
  *support = support_[d];
  return MMSYSERR_NOERROR;
}

MMRESULT SystemVolumeStore::Set(VolumeDevice device, DWORD word) {
  const int d = int(device);
  if (MMRESULT code = fail_[d]) {
    fail_[d] = MMSYSERR_NOERROR;
    return code;
  }
  const DWORD volume_flag = device == VolumeDevice::kWave ? WAVECAPS_VOLUME : 1;
  if (!(support_[d] & volume_flag)) return MMSYSERR_NOTSUPPORTED;
  words_[d] = word;
  return MMSYSERR_NOERROR;
}

void SystemVolumeStore::Reset() {
  for (auto& w : words_) w = 0xFFFFFFFFu;
  support_[int(VolumeDevice::kMidi)] = MIDICAPS_VOLUME | MIDICAPS_LRVOLUME;
  support_[int(VolumeDevice::kWave)] = WAVECAPS_VOLUME | WAVECAPS_LRVOLUME;
  support_[int(VolumeDevice::kAux)] = AUXCAPS_VOLUME | AUXCAPS_LRVOLUME;
  for (auto& f : fail_) f = MMSYSERR_NOERROR;
}

SystemVolumeStore& SystemVolumes() {
  static SystemVolumeStore store;
  return store;
}

}  // namespace tessera
