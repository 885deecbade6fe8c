#pragma once
// The sound player: plays a sound file (MP3 and whatever else the installed
// decoders know) on the audio output. The programs make their players with
// KVXCreateSoundPlayer; tests put a factory of their own in its place.
//
// - Play stops what played before and starts the file. It waits until the
//   output has taken the first sound and answers 1 when playing started, 0
//   when the file cannot be read or decoded or the output refuses it or
//   stalls (nothing happens for 10 s). The rest plays on by itself; the
//   caller never waits for the end.
// - IsPlaying is true until the sound has ended, failed or was stopped.
// - Stop ends the playing at once; the player's destruction stops too.
//
// The GStreamer player ("playbin") plays to the output named by a pipeline
// description (the default "autoaudiosink"); tests give a description of
// their own, such as "wavenc ! filesink location=/tmp/out.wav".

#include <functional>
#include <memory>

#include "Pendrel/PendrelApi.h"
#include "utility/BasicString.h"

class PENDREL_API CKVXSoundPlayer {
public:
    virtual ~CKVXSoundPlayer();

    virtual int Play(const wchar_t* path) = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() = 0;
};

// A GStreamer playbin player to the output of the sink description (empty:
// the desktop's audio output). Never null; a player that GStreamer cannot
// build answers 0 to every Play.
PENDREL_API std::unique_ptr<CKVXSoundPlayer> KVXCreateGStreamerSoundPlayer(const CBasicString& sinkDescription);

using KVXSoundPlayerFactory = std::function<std::unique_ptr<CKVXSoundPlayer>()>;
// The player of the programs: from the factory when one is set, else a
// GStreamer player to the desktop's audio output.
PENDREL_API std::unique_ptr<CKVXSoundPlayer> KVXCreateSoundPlayer();
// An empty factory brings the GStreamer player back.
PENDREL_API void KVXSetSoundPlayerFactory(KVXSoundPlayerFactory factory);
