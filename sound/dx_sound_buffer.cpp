#include "sound/dx_sound_buffer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/log.h"
#include "platform/path.h"
#include "sound/dx_sound.h"
#include "sound/wave_file.h"

using tessera::SoundEntry;

namespace {
// Zero bytes after a file image, so that the format fields of a short
// "fmt " chunk at the very end of a file read as 0 instead of beyond it.
const size_t kImagePadding = sizeof(WAVEFORMATEX);
}  // namespace

DxSoundBuffer::DxSoundBuffer() : m_nCurrent(-1), m_pSound(nullptr) {}

DxSoundBuffer::~DxSoundBuffer() {
  for (SoundEntry* e : m_Sounds) {
    delete e->pBuffer;
    delete e;
  }
}

void DxSoundBuffer::Initialize(CDXSound* sound) { m_pSound = sound; }

void DxSoundBuffer::RemoveEntry(size_t index) {
  delete m_Sounds[index]->pBuffer;
  delete m_Sounds[index];
  m_Sounds.erase(m_Sounds.begin() + static_cast<std::ptrdiff_t>(index));
}

bool DxSoundBuffer::GetBuffer(const char* file) {
  for (size_t i = 0; i < m_Sounds.size();) {
    SoundEntry* e = m_Sounds[i];
    if (!e->pBuffer) {
      ++i;
      continue;
    }
    DWORD status = 0;
    if (e->pBuffer->GetStatus(&status) != DS_OK) status = 0;
    if (status & DSBSTATUS_BUFFERLOST) {
      // A lost buffer is dropped; it is loaded again from its file when it
      // is next asked for.
      RemoveEntry(i);
      continue;
    }
    if (std::strcmp(e->szName, file) == 0) {
      m_nCurrent = static_cast<int32_t>(i);
      return true;
    }
    ++i;
  }
  auto* e = new SoundEntry;
  std::memcpy(e->szName, file, std::strlen(file) + 1);
  m_Sounds.push_back(e);
  m_nCurrent = static_cast<int32_t>(m_Sounds.size() - 1);
  return false;
}

int DxSoundBuffer::Load(const char* file) {
  if (!file) return 0;
  if (std::strlen(file) >= sizeof(SoundEntry::szName)) {
    // Cannot be kept under its exact name, so it could never be found
    // again: refused like a file that cannot be read.
    tessera::LogWarning(
        std::string("cannot load sound ") + file,
        "path longer than " + std::to_string(sizeof(SoundEntry::szName) - 1) + " bytes");
    m_nCurrent = -1;
    return 0;
  }
  if (GetBuffer(file)) return 1;
  if (LoadFromFile(file)) return 1;
  RemoveEntry(static_cast<size_t>(m_nCurrent));
  m_nCurrent = -1;
  const char* why = "not a PCM wave file, or damaged";
  if (!m_pSound || !m_pSound->m_pDirectSound) {
    why = "no audio device is open";
  } else if (std::FILE* f = tessera::OpenFile(file, "rb")) {
    std::fclose(f);
  } else {
    why = "no such file, or not readable";
  }
  tessera::LogWarning(std::string("cannot load sound ") + file, why);
  return 0;
}

int DxSoundBuffer::LoadFromFile(const char* file) {
  std::FILE* f = tessera::OpenFile(file, "rb");
  if (!f) return 0;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
    std::fclose(f);
    return 0;
  }
  auto* image = static_cast<uint8_t*>(std::calloc(size_t(size) + kImagePadding, 1));
  if (!image || std::fread(image, 1, size_t(size), f) != size_t(size)) {
    std::free(image);
    std::fclose(f);
    return 0;
  }
  WAVEFORMATEX* format = nullptr;
  void* data = nullptr;
  unsigned long length = 0;
  int ok = GetWaveData(image, size_t(size), format, data, length);
  if (ok) {
    ok = CreateSoundBuffer(length, format->nSamplesPerSec, format->wBitsPerSample,
                           format->nBlockAlign, format->nChannels > 1) &&
         ReadData(f, 44);
  }
  std::free(image);
  std::fclose(f);
  return ok ? 1 : 0;
}

int DxSoundBuffer::GetWaveData(void* image, size_t size, WAVEFORMATEX*& format, void*& data,
                               unsigned long& length) {
  format = nullptr;
  data = nullptr;
  length = 0;
  tessera::WaveChunks chunks;
  if (!tessera::FindWaveChunks(static_cast<const uint8_t*>(image), size, &chunks)) return 0;
  // The format block is read in place; the image is padded so that its
  // 18 bytes are always inside the allocation.
  format = reinterpret_cast<WAVEFORMATEX*>(const_cast<uint8_t*>(chunks.format));
  data = const_cast<uint8_t*>(chunks.data);
  length = chunks.length;
  return 1;
}

int DxSoundBuffer::CreateSoundBuffer(unsigned long bytes, unsigned long samplesPerSecond,
                                     unsigned long bitsPerSample, unsigned long blockAlign,
                                     int stereo) {
  if (!m_pSound || !m_pSound->m_pDirectSound || m_nCurrent < 0 ||
      m_nCurrent >= static_cast<int32_t>(m_Sounds.size()))
    return 0;
  WAVEFORMATEX format;
  std::memset(&format, 0, sizeof format);
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = stereo ? 2 : 1;
  format.nSamplesPerSec = DWORD(samplesPerSecond);
  format.nAvgBytesPerSec = DWORD(blockAlign * samplesPerSecond);
  format.nBlockAlign = WORD(blockAlign);
  format.wBitsPerSample = WORD(bitsPerSample);
  DSBUFFERDESC desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                 DSBCAPS_GETCURRENTPOSITION2;
  desc.dwBufferBytes = DWORD(bytes);
  desc.lpwfxFormat = &format;
  std::unique_ptr<tessera::AudioBuffer> buffer;
  if (m_pSound->m_pDirectSound->CreateSoundBuffer(&desc, &buffer) != DS_OK || !buffer) return 0;
  SoundEntry* e = m_Sounds[size_t(m_nCurrent)];
  delete e->pBuffer;
  e->pBuffer = buffer.release();
  return 1;
}

int DxSoundBuffer::ReadData(std::FILE* file, unsigned long offset) {
  if (m_nCurrent < 0 || !m_Sounds[size_t(m_nCurrent)]->pBuffer) return 0;
  tessera::AudioBuffer* buffer = m_Sounds[size_t(m_nCurrent)]->pBuffer;
  if (offset != static_cast<unsigned long>(-1) &&
      std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
    return 0;
  void* region = nullptr;
  DWORD bytes = 0;
  if (buffer->Lock(0, 0, &region, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER) != DS_OK)
    return 0;
  if (bytes != 0 && std::fread(region, 1, bytes, file) != bytes) {
    // The platform's debug output: the region, its length and the file.
    std::fprintf(stderr, "Data : %d, dwdata: %d, fp: %d\n",
                 static_cast<int>(reinterpret_cast<intptr_t>(region)), static_cast<int>(bytes),
                 static_cast<int>(reinterpret_cast<intptr_t>(file)));
    return 0;
  }
  return buffer->Unlock(region, bytes, nullptr, 0) == DS_OK ? 1 : 0;
}

int DxSoundBuffer::Play(unsigned long flags, int pan, int volume) {
  if (m_nCurrent < 0 || m_nCurrent >= static_cast<int32_t>(m_Sounds.size()) || !m_pSound) return 0;
  tessera::AudioBuffer* buffer = m_Sounds[size_t(m_nCurrent)]->pBuffer;
  if (!buffer) return 0;
  if (m_pSound->m_bSoundOff) return 1;
  if (buffer->SetPan(pan) != DS_OK) return 0;
  if (buffer->SetVolume(volume) != DS_OK) return 0;
  if (buffer->SetFrequency(DSBFREQUENCY_ORIGINAL) != DS_OK) return 0;
  return buffer->Play(0, 0, DWORD(flags)) == DS_OK ? 1 : 0;
}

int DxSoundBuffer::Stop() {
  if (!m_pSound || m_Sounds.empty()) return 0;
  for (SoundEntry* e : m_Sounds) {
    if (!e->pBuffer) continue;
    if (e->pBuffer->Stop() != DS_OK) return 0;
    if (e->pBuffer->SetCurrentPosition(0) != DS_OK) return 0;
  }
  return 1;
}

void DxSoundBuffer::SetVolume(long volume) {
  for (SoundEntry* e : m_Sounds)
    if (e->pBuffer) e->pBuffer->SetVolume(volume);
}

void DxSoundBuffer::SetPan(long pan) {
  for (SoundEntry* e : m_Sounds)
    if (e->pBuffer) e->pBuffer->SetPan(pan);
}
