// Memory blocks: the retry hook, its guard against a nested prompt, and the three page buffers
// that are never freed twice.
#include "page_fixture.h"

namespace tintwell_test {
namespace {

class Memory : public ProgramUnitTest {
protected:
    Memory()
    {
        GmemSetRetryHandler(NULL);
        FreePageBuffers();
        Host().ClearRecord();
    }
    ~Memory() override
    {
        GmemSetRetryHandler(NULL);
        FreePageBuffers();
    }
};

int retryCalls = 0;
DWORD retryBytes = 0;
int RetryAlways(DWORD bytes)
{
    ++retryCalls;
    retryBytes = bytes;
    return 1;
}

// A handler that itself needs memory, and that memory is not there either.
int nestedResult = 1;
int RetryNeedingMemory(DWORD bytes)
{
    ++retryCalls;
    LPVOID p = GmemAlloc(16);
    nestedResult = p != NULL;
    GmemFree(p);
    (void)bytes;
    return 0;
}

TEST_F(Memory, BlocksAreZeroFilledAndFreeingNullDoesNothing)
{
    BYTE* p = (BYTE*)GmemAlloc(1000);
    ASSERT_NE(p, nullptr);
    int nonZero = 0;
    for (int i = 0; i < 1000; i++)
        nonZero += p[i] != 0;
    EXPECT_EQ(nonZero, 0);
    GmemFree(p);
    EXPECT_EQ(CountRecord("GlobalFree"), 1);
    GmemFree(NULL);
    EXPECT_EQ(CountRecord("GlobalFree"), 1);
}

TEST_F(Memory, WithoutAHandlerAFailureGivesNullAtOnce)
{
    Host().Fail(tw::host::Fault::GlobalAlloc);
    EXPECT_EQ(GmemAlloc(100), nullptr);
    EXPECT_EQ(CountRecord("GlobalAlloc"), 1);
    EXPECT_TRUE(Boxes().seen.empty());
}

TEST_F(Memory, TheHandlerIsAskedAgainUntilTheBlockComes)
{
    retryCalls = 0;
    EXPECT_EQ(GmemSetRetryHandler(RetryAlways), nullptr);
    Host().Fail(tw::host::Fault::GlobalAlloc, 2);
    LPVOID p = GmemAlloc(4321);
    EXPECT_NE(p, nullptr);
    EXPECT_EQ(retryCalls, 2);
    EXPECT_EQ(retryBytes, 4321u);
    EXPECT_EQ(CountRecord("GlobalAlloc"), 3);
    GmemFree(p);
    EXPECT_EQ(GmemSetRetryHandler(NULL), RetryAlways);
}

TEST_F(Memory, AFailureInsideTheHandlerDoesNotAskAgain)
{
    retryCalls = 0;
    GmemSetRetryHandler(RetryNeedingMemory);
    Host().Fail(tw::host::Fault::GlobalAlloc, 2);
    EXPECT_EQ(GmemAlloc(100), nullptr);
    EXPECT_EQ(retryCalls, 1);
    EXPECT_EQ(nestedResult, 0);
}

TEST_F(Memory, PageBuffersComeAndGoTogether)
{
    ASSERT_EQ(AllocPageBuffers(), 1);
    ASSERT_NE(lpDib, nullptr);
    ASSERT_NE(lpDibClear, nullptr);
    ASSERT_NE(lpDibPrint, nullptr);
    EXPECT_EQ(GlobalSize(GlobalHandle(lpDib)), 303600u);
    EXPECT_EQ(GlobalSize(GlobalHandle(lpDibClear)), 303600u);
    EXPECT_EQ(GlobalSize(GlobalHandle(lpDibPrint)), 312624u);
    lpDibPrint[312623] = 1;  // the whole turned page with its margin fits

    FreePageBuffers();
    EXPECT_EQ(lpDib, nullptr);
    EXPECT_EQ(lpDibClear, nullptr);
    EXPECT_EQ(lpDibPrint, nullptr);
    FreePageBuffers();
    EXPECT_EQ(CountRecord("GlobalFree"), 3);
}

TEST_F(Memory, ALateFailureReleasesTheBlocksAlreadyMade)
{
    // The third block fails; it raises no assertion box, and the first two are released once.
    Host().Fail(tw::host::Fault::GlobalAlloc, 1, 2);
    EXPECT_EQ(AllocPageBuffers(), 0);
    EXPECT_EQ(lpDib, nullptr);
    EXPECT_EQ(lpDibClear, nullptr);
    EXPECT_EQ(lpDibPrint, nullptr);
    EXPECT_EQ(CountRecord("GlobalFree"), 2);
    EXPECT_TRUE(Boxes().seen.empty());
}

}  // namespace
}  // namespace tintwell_test
