// The upper halves of the wide vector registers: the application clears
// them after every event, and Norvane's worker threads start with them
// clear, whatever the thread that started them left. Read through the
// processor's own record of the state in use (XGETBV with ECX = 1).
#include "app/application.h"
#include "data/vector_state.h"
#include "exchange/batch_feed.h"

#include <QTest>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#define READS_VECTOR_STATE 1
#endif

using namespace norvane;

namespace {

#ifdef READS_VECTOR_STATE

bool canReadVectorState()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX)) {
        return false;
    }
    // Whether XGETBV reads the state in use.
    return __get_cpuid_count(0xD, 1, &a, &b, &c, &d) && (a & (1u << 2));
}

bool upperHalvesInUse()
{
    unsigned low = 0, high = 0;
    asm volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
    return (low & (1u << 2)) != 0;
}

// As Qt's image filling does: a 256-bit register left holding data.
void useUpperHalves()
{
    const float one = 1.0f;
    asm volatile("vbroadcastss %0, %%ymm0" : : "m"(one) : "xmm0");
}

#else

bool canReadVectorState()
{
    return false;
}
bool upperHalvesInUse()
{
    return false;
}
void useUpperHalves() {}

#endif

} // namespace

class VectorStateTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void theApplicationClearsThemAfterEachEvent();
    void aFeedThreadStartsWithThemClear();
};

void VectorStateTest::init()
{
    if (!canReadVectorState()) {
        QSKIP("this processor does not say which vector state is in use");
    }
    useUpperHalves();
    QVERIFY(upperHalvesInUse());
}

void VectorStateTest::theApplicationClearsThemAfterEachEvent()
{
    QObject receiver;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&receiver);
    QVERIFY(!upperHalvesInUse());
}

void VectorStateTest::aFeedThreadStartsWithThemClear()
{
    std::atomic<bool> inUse{true};
    {
        BatchFeed<int> feed([&](BatchFeed<int>&) { inUse = upperHalvesInUse(); });
    }
    QVERIFY(!inUse);
}

int main(int argc, char** argv)
{
    Application application(argc, argv);
    VectorStateTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_vector_state.moc"
