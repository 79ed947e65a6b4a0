#pragma once
// The sample site as --demo serves it: on a port of its own when that is
// free, so that a book stored from it is the same book on the next run (the
// library and the EPUB identifier key books by their address, port and all).
#include "sample_site/sample_server.h"

namespace lv::site {

// LOREVANE_DEMO_PORT, when set to a port, stands in for this one.
inline constexpr int kDemoPort = 28437;

enum class DemoStart {
  failed,
  own_port,    // on the demo's port
  other_port,  // the port was taken: on one the system picked
};

DemoStart start_demo_site(SampleServer& server);

}  // namespace lv::site
