// What stands at one of a registration's places, as its desktop reads it; the rules that status,
// repair and remove follow over it are written here, once for every desktop.
#ifndef VELMORA_SETUP_ENGINE_PLACE_STATE_H
#define VELMORA_SETUP_ENGINE_PLACE_STATE_H

namespace velmora {

enum class PlaceState {
  Missing,           // nothing of velmora's there, and nothing else either
  Velmoras,          // what set-up writes there, for the programs here
  VelmorasElsewhere, // what set-up writes there, for the folder the programs were in before
  Users,             // anything else: the user's, or a program's they ran since
};

// Repair puts back what went missing or names another folder, never over the user's.
constexpr bool repairWrites(PlaceState state) {
  return state != PlaceState::Users;
}
// Remove gives back what stood there before only where velmora's still stands.
constexpr bool removeGivesBack(PlaceState state) {
  return state == PlaceState::Velmoras || state == PlaceState::VelmorasElsewhere;
}
// Status counts a lost place, or one that names another folder, as something to repair; a
// change of the user's is none.
constexpr bool needsRepair(PlaceState state) {
  return state == PlaceState::Missing || state == PlaceState::VelmorasElsewhere;
}

} // namespace velmora

#endif
