// A data race planted on purpose in our code while the loopback server is in
// use: one of the server's handlers, run on a thread of its HTTP library's
// pool, and the test's own thread each write gPlanted, and nothing orders the
// two writes. Built in the ThreadSanitizer build only and run by CTest through
// ExpectPlantedRace.cmake, which passes only when ThreadSanitizer stops this
// program with a report of this very race. It shows that tests/tsan.supp,
// which leaves the server's HTTP library out of the analysis, leaves our code
// in it, handlers on the library's threads included.

#include "tests/support/LoopbackHttpsServer.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

int gPlanted = 0;
// Tells the handler that the test has written. Relaxed, so ThreadSanitizer
// takes it for no ordering: the two writes stay unordered every run.
std::atomic<bool> gTestWrote{false};

[[gnu::noinline]] void plantedWriteInHandler() { gPlanted = 2; }
[[gnu::noinline]] void plantedWriteInTest() { gPlanted = 1; }

TEST(TsanPlantedRace, AHandlerAndTheTestWriteOneIntWithoutALock) {
    testsupport::LoopbackHttpsServer server;
    server.server().Get("/race", [](const httplib::Request&, httplib::Response& res) {
        while (!gTestWrote.load(std::memory_order_relaxed)) std::this_thread::yield();
        plantedWriteInHandler();
        res.set_content("raced", "text/plain");
    });

    int status = 0;
    std::thread client([&status, port = server.port(), caFile = server.certificate().caFile().string()] {
        httplib::SSLClient https("127.0.0.1", port);
        https.set_ca_cert_path(caFile.c_str());
        https.enable_server_certificate_verification(true);
        if (auto result = https.Get("/race")) status = result->status;
    });
    plantedWriteInTest();
    gTestWrote.store(true, std::memory_order_relaxed);
    client.join();

    // Reached only without ThreadSanitizer's report (halt_on_error=1 stops here).
    EXPECT_EQ(status, 200) << "the handler ran";
}

} // namespace
