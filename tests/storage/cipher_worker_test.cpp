#include "storage/cipher_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "storage/blow_fish.h"

namespace
{
const size_t kPiece = CCipherJob::kPieceSize;

const CBlowFish& Cipher()
{
    static const CBlowFish cipher = [] {
        CBlowFish fish;
        const unsigned char key[] = "Kp4Xw:9Lm2Rq-Tz7Nb!3Vc8Jh5Sd0";
        fish.SetKey(key, sizeof(key) - 1);
        return fish;
    }();
    return cipher;
}

std::vector<unsigned char> CipherText(size_t size, unsigned seed)
{
    std::vector<unsigned char> bytes(size);
    std::mt19937 random(seed);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(random());
    return bytes;
}

std::vector<unsigned char> DecipheredInOneCall(std::vector<unsigned char> bytes)
{
    Cipher().Decrypt(bytes.data(), bytes.data(), bytes.size());
    return bytes;
}

// Needs every piece in the given order, as a reader would, and cancels the job at the end.
void NeedAll(CCipherJob& job, size_t size, const std::vector<size_t>& order)
{
    for (size_t piece : order)
        EXPECT_GT(job.Need(std::min(piece * kPiece + 5, size - 1)), piece * kPiece);
    job.Cancel();
}
}  // namespace

// Whoever deciphers which piece (the owner alone, the owner in any order, the owner racing the helper), the bytes
// are those of one Decrypt call, the short last piece included.
TEST(CipherWorker, PiecesAddUpToOneDecryptWhoeverDoesThem)
{
    const struct
    {
        const char* what;
        size_t size;
        bool post;
        bool backwards;
    } cases[] = {
        {"owner alone, one short piece", 24, false, false},
        {"owner alone, backwards", 5 * kPiece + 40, false, true},
        {"with the helper", 5 * kPiece + 40, true, false},
        {"with the helper, backwards", 9 * kPiece, true, true},
        {"with the helper, many pieces", 64 * kPiece + 8, true, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<unsigned char> data = CipherText(c.size, static_cast<unsigned>(c.size));
        const std::vector<unsigned char> expected = DecipheredInOneCall(data);
        auto job = std::make_shared<CCipherJob>(Cipher(), data.data(), data.size());
        if (c.post)
            CCipherWorker::Get().Post(job);
        std::vector<size_t> order((c.size + kPiece - 1) / kPiece);
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = c.backwards ? order.size() - 1 - i : i;
        NeedAll(*job, c.size, order);
        EXPECT_TRUE(data == expected);
    }
}

// Need tells how far the deciphered bytes reach from the piece asked for, so that a reader copies them in one go
// and comes back only for what is missing.
TEST(CipherWorker, NeedReportsTheDecipheredRunFromThePieceAskedFor)
{
    std::vector<unsigned char> data = CipherText(4 * kPiece + 16, 7);
    CCipherJob job(Cipher(), data.data(), data.size());
    EXPECT_EQ(job.Need(10), kPiece);
    EXPECT_EQ(job.Need(2 * kPiece), 3 * kPiece);
    EXPECT_EQ(job.Need(kPiece + 3), 3 * kPiece);
    EXPECT_EQ(job.Need(4 * kPiece), data.size());
    EXPECT_EQ(job.Need(3 * kPiece), data.size());
    job.Cancel();
}

// After Withdraw the helper starts nothing more, but the owner still gets every piece; after Cancel the buffer is
// the owner's again and may go (a helper still writing into it shows under the sanitizers).
TEST(CipherWorker, WithdrawnPiecesStayAvailableToTheOwnerAndCancelReleasesTheBuffer)
{
    for (int round = 0; round < 20; ++round)
    {
        auto data = std::make_unique<std::vector<unsigned char>>(CipherText(32 * kPiece, round));
        const std::vector<unsigned char> expected = DecipheredInOneCall(*data);
        auto job = std::make_shared<CCipherJob>(Cipher(), data->data(), data->size());
        CCipherWorker::Get().Post(job);
        job->Withdraw();
        std::vector<size_t> order(32);
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = (i * 7 + static_cast<size_t>(round)) % 32;
        NeedAll(*job, data->size(), order);
        EXPECT_TRUE(*data == expected);

        auto spare = std::make_unique<std::vector<unsigned char>>(CipherText(32 * kPiece, round));
        auto abandoned = std::make_shared<CCipherJob>(Cipher(), spare->data(), spare->size());
        CCipherWorker::Get().Post(abandoned);
        abandoned->Cancel();
        spare.reset();
    }
}

// Jobs of several owners at once share the one helper; each owner's bytes come out right.
TEST(CipherWorker, OwnersOnSeveralThreadsShareTheHelper)
{
    std::vector<std::thread> owners;
    std::vector<int> right(3, 0);
    for (size_t owner = 0; owner < right.size(); ++owner)
    {
        owners.emplace_back([owner, &right] {
            for (unsigned round = 0; round < 10; ++round)
            {
                std::vector<unsigned char> data = CipherText(12 * kPiece + 8 * owner, round);
                const std::vector<unsigned char> expected = DecipheredInOneCall(data);
                auto job = std::make_shared<CCipherJob>(Cipher(), data.data(), data.size());
                CCipherWorker::Get().Post(job);
                for (size_t at = 0; at < data.size(); at = job->Need(at))
                {
                }
                job->Cancel();
                right[owner] += data == expected;
            }
        });
    }
    for (std::thread& owner : owners)
        owner.join();
    EXPECT_EQ(right, std::vector<int>(3, 10));
}
