// For the tests of velmora-setup's places: the in-memory fakes count their changes, and the one
// numbered `failAt` fails, as a full disk or a locked key would; after the one numbered
// `deadAfter` none is made any more, as if the run had been killed there.
#ifndef VELMORA_SETUP_ENGINE_FAILING_CHANGES_TEST_H
#define VELMORA_SETUP_ENGINE_FAILING_CHANGES_TEST_H

namespace velmora {

struct Failures {
  int changes = 0;
  int failAt = 0;
  int deadAfter = 0;
  bool next() { return ++changes != failAt && (deadAfter == 0 || changes <= deadAfter); }
};

} // namespace velmora

#endif
