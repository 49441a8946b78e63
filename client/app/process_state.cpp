#include "app/process_state.h"

namespace velmora {

ProcessState& State() {
  static ProcessState state;
  return state;
}

}  // namespace velmora
