// Tessera: a 2D tile-based role-playing game engine.
//
// The umbrella header: every public class and entry function.
//   #include <tessera/tessera.h>
#ifndef TESSERA_TESSERA_H
#define TESSERA_TESSERA_H

#include "public/windows_types.h"
#include "public/export.h"
#include "public/engine.h"
#include "public/error_report.h"
#include "public/random.h"
#include "public/crect.h"
#include "public/qkey.h"

#include "engine/pixel.h"
#include "engine/surface.h"
#include "engine/dib_surface.h"
#include "engine/packed_stream.h"
#include "engine/rle_surface.h"
#include "engine/rle_mask_surface.h"
#include "engine/alpha_surface.h"
#include "engine/double_alpha_surface.h"
#include "engine/dle_surface.h"

#include "database/record_set.h"
#include "database/connection.h"
#include "database/database.h"
#include "database/schema.h"
#include "database/pack_res_database.h"
#include "database/pack_file_database.h"
#include "database/pack_ani_database.h"

#include "pack/pack_list.h"
#include "pack/res.h"
#include "pack/raw_file.h"
#include "pack/dbf_field.h"
#include "pack/dbf.h"
#include "pack/dbf_create.h"
#include "pack/idx.h"
#include "pack/idx_create.h"
#include "pack/idx_walk.h"
#include "pack/qres.h"

#include "gui/draw_image.h"
#include "gui/gif_file.h"
#include "gui/area.h"
#include "gui/area_chain.h"
#include "gui/chain_manager.h"
#include "gui/map/path_finder.h"

#include "input/mouse.h"

#include "sound/dx_error.h"
#include "sound/dx_sound.h"
#include "sound/dx_sound_buffer.h"
#include "sound/midi_file.h"
#include "sound/midi_renderer.h"
#include "sound/mixer.h"
#include "sound/music.h"
#include "sound/wave_file.h"

#include "platform/audio_device.h"
#include "engine/glyph_cache.h"
#include "engine/view_manage.h"
#include "engine/surface_manager.h"
#include "engine/fader.h"
#include "engine/fader_particles.h"

#include "platform/clock.h"
#include "platform/dsound_types.h"
#include "platform/message_sink.h"
#include "platform/mci.h"
#include "platform/path.h"
#include "platform/random.h"
#include "platform/system_volume.h"
#include "platform/text_encoding.h"
#include "platform/window.h"
#include "platform/headless/headless_audio.h"
#include "platform/presenter.h"
#include "platform/input_services.h"
#include "platform/glyph_source.h"
#include "platform/png_writer.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/headless/headless_midi.h"
#include "platform/headless/manual_clock.h"
#include "platform/headless/headless_presenter.h"

#endif
