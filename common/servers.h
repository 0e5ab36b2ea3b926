// Host names of the servers the programs talk to: the product's web site (the
// download and first-use pages, and the first update base), three update
// servers and the statistics server. A deployment sets its own with the CMake
// cache variables of the same names (cmake/KarvexDefaults.cmake); the
// defaults lie under a reserved domain. Needs no Windows API.
#pragma once

#ifndef KARVEX_WEB_HOST
#define KARVEX_WEB_HOST "www.karvex.example"
#endif
#ifndef KARVEX_UPDATE_HOST1
#define KARVEX_UPDATE_HOST1 "update1.karvex.example"
#endif
#ifndef KARVEX_UPDATE_HOST2
#define KARVEX_UPDATE_HOST2 "update2.karvex.example"
#endif
#ifndef KARVEX_UPDATE_HOST3
#define KARVEX_UPDATE_HOST3 "update3.karvex.example"
#endif
#ifndef KARVEX_STAT_HOST
#define KARVEX_STAT_HOST "stat.karvex.example"
#endif

namespace karvex {

constexpr const char kWebHost[] = KARVEX_WEB_HOST;
constexpr const char kUpdateHost1[] = KARVEX_UPDATE_HOST1;
constexpr const char kUpdateHost2[] = KARVEX_UPDATE_HOST2;
constexpr const char kUpdateHost3[] = KARVEX_UPDATE_HOST3;
constexpr const char kStatisticsHost[] = KARVEX_STAT_HOST;

}  // namespace karvex
