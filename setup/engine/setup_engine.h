// velmora-setup's cycle, the same on every desktop and in the same words: the record is read
// and checked first; adding writes under a journal, so that a failure gives everything back;
// status tells a loss from a later choice of the user's; repair puts back what went missing
// or names another folder, never over the user's choice; remove gives back what stood there
// before and leaves what the user changed since.
#ifndef VELMORA_SETUP_ENGINE_SETUP_ENGINE_H
#define VELMORA_SETUP_ENGINE_SETUP_ENGINE_H

#include "setup/engine/setup_options.h"
#include "setup/engine/setup_places.h"

#include <string>

namespace velmora {

// Runs one command that answerHelpOrError left to run. Returns the exit status.
int runSetupEngine(const SetupOptions &options, SetupPlaces &places, std::string &out);

// The words both desktops' places use.
namespace setup_words {
// What status says of a place whose content the user (or a program they ran) changed since.
extern const char kChangedSince[];
std::string settingsNotThere(const std::string &path);
// How long a run waits for another to finish before it gives up, and what it says meanwhile;
// `holder` is the other run's process id, 0 when the system does not tell it.
inline constexpr int kTurnWaitSeconds = 10;
std::string waitingFor(unsigned long holder);
std::string gaveUpWaitingFor(unsigned long holder);
} // namespace setup_words

} // namespace velmora

#endif
