#include "midisystem/ServiceCheck.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <algorithm>

namespace midisystem {

bool ServiceAnswers(RtMidi::Api api, const std::string& clientName) {
    if (api == RtMidi::LINUX_ALSA) {
        snd_seq_t* sequencer = nullptr;
        if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0)
            return false;
        snd_seq_close(sequencer);
        return true;
    }
    if (api == RtMidi::UNIX_JACK) {
        jack_status_t status{};
        jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
        if (client == nullptr) return false;
        jack_client_close(client);
        return true;
    }
    return true;
}

std::string MissingServiceText(const std::vector<RtMidi::Api>& apis) {
    const bool alsa = std::find(apis.begin(), apis.end(), RtMidi::LINUX_ALSA) != apis.end();
    const bool jack = std::find(apis.begin(), apis.end(), RtMidi::UNIX_JACK) != apis.end();
    if (alsa && jack)
        return "No MIDI service: neither the ALSA sequencer nor a JACK server is available";
    if (alsa) return "No MIDI service: the ALSA sequencer is not available";
    return "No MIDI service: no JACK server is running";
}

}  // namespace midisystem
