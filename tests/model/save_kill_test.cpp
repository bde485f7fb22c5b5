// Saving survives being killed: a child process saves a large construction and is killed
// with SIGKILL at a random moment of the save, again and again. After every kill the
// target must hold the whole old or the whole new document, byte for byte, and no more
// than the one temporary the killed save may have left; the next save clears it.
//
// VORLA_SAVE_KILLS sets how many kills to reach: 40 by default, about 10 s on an idle
// machine under the sanitizers; the long runs (VORLA_SAVE_KILLS=1000) are for changes to
// the save path.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "model/vvl_file.h"
#include "support/construction_builders.h"
#include "support/files.h"

using namespace input;
using namespace model;

using testsupport::ReadFileBytes;

namespace fs = std::filesystem;

namespace {

// Folder entries other than the target: what saves left behind.
std::vector<fs::path> Leftovers(const fs::path& dir, const fs::path& target) {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path() != target) found.push_back(e.path());
    return found;
}

class SaveKill : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = temp_.Path();
        ASSERT_FALSE(dir_.empty());
    }
    testsupport::TempFolder temp_{"save-kill"};
    fs::path dir_;
};

TEST_F(SaveKill, EveryKilledSaveLeavesTheWholeOldOrTheWholeNewDocument) {
    int wanted = 40;
    if (const char* env = std::getenv("VORLA_SAVE_KILLS")) wanted = std::max(1, std::atoi(env));

    // Two different constructions of 200,000 blocks: documents of the same size (8.8 MB),
    // so that only their bytes tell them apart.
    const model::CameraRecord camera;
    const ConstructionSettings settings;
    CVelVorlaModel models[2];
    std::mt19937 rng(20240607);
    testsupport::FillRandomTree(models[0], rng, 200'000);
    testsupport::FillRandomTree(models[1], rng, 200'000);
    const std::vector<uint8_t> bytes[2] = {EncodeConstruction(camera, settings, models[0]),
                                           EncodeConstruction(camera, settings, models[1])};
    ASSERT_EQ(bytes[0].size(), bytes[1].size());
    ASSERT_NE(bytes[0], bytes[1]);

    const fs::path target = dir_ / "big.vvl";
    // How long a whole save takes here, to spread the kills over it.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WriteConstructionFile(target, camera, settings, models[1]));
    ASSERT_TRUE(WriteConstructionFile(target, camera, settings, models[0]));
    const auto saveTime = (std::chrono::steady_clock::now() - start) / 2;
    std::uniform_int_distribution<int64_t> moment(
        0, std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count() * 11 / 10);

    int current = 0;  // which document the target holds
    int kills = 0, finished = 0, killedAfterRename = 0, leftTemporaries = 0;
    while (kills < wanted) {
        const int next = 1 - current;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool ok =
                static_cast<bool>(WriteConstructionFile(target, camera, settings, models[next]));
            ::_exit(ok ? 0 : 1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(moment(rng)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        ASSERT_TRUE(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
            << "the save failed on its own";

        const std::vector<uint8_t> now = ReadFileBytes(target);
        if (now == bytes[next]) {
            current = next;
            killedAfterRename += killed;
        } else {
            ASSERT_EQ(now, bytes[current]) << "torn file after " << kills << " kills";
            ASSERT_TRUE(killed) << "a finished save left the old document";
        }
        kills += killed;
        finished += !killed;
        // Each save first clears what an earlier killed one left, so leftovers never pile
        // up: at most the temporary of the save just killed.
        const auto left = Leftovers(dir_, target);
        ASSERT_LE(left.size(), 1u);
        leftTemporaries += static_cast<int>(left.size());
    }
    // A save that runs to the end leaves the folder holding the target alone.
    ASSERT_TRUE(WriteConstructionFile(target, camera, settings, models[1 - current]));
    EXPECT_TRUE(Leftovers(dir_, target).empty());
    ConstructionDocument loaded;
    ASSERT_TRUE(ReadConstructionFile(target, loaded));
    EXPECT_EQ(loaded.model.Total(), 200'000);

    std::printf(
        "save of 200,000 blocks: %.0f ms; %d kills (%d after the rename), %d saves "
        "finished first, %d temporaries left by kills (each cleared by the next save)\n",
        std::chrono::duration<double, std::milli>(saveTime).count(), kills, killedAfterRename,
        finished, leftTemporaries);
}

TEST_F(SaveKill, ATemporaryNoSaveHoldsIsRemovedByTheNextSave) {
    const fs::path target = dir_ / "doc.vvl";
    const auto touch = [](const fs::path& p) { std::ofstream(p) << "partial"; };
    const fs::path stale = dir_ / ".doc.vvl.tmp-4242-7";    // its save was killed
    const fs::path running = dir_ / ".doc.vvl.tmp-4243-0";  // its save still runs
    const fs::path other = dir_ / ".other.vvl.tmp-4242-8";  // another document's
    const fs::path unrelated = dir_ / ".doc.vvl.tmp-notes";
    for (const fs::path& p : {stale, running, other, unrelated}) touch(p);
    const int held = ::open(running.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    CVelVorlaModel model;
    ASSERT_TRUE(WriteConstructionFile(target, {}, {}, model));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(unrelated));
    EXPECT_EQ(fs::file_size(target), kVvlHeaderSize);
    ::close(held);
}

}  // namespace
