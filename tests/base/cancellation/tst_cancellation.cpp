// Cancellation: callbacks run once, from cancel(), and may end their own subscription or any other one while the
// round is on, as a resumed coroutine does.

#include "base/Cancellation.h"

#include <QTest>

#include <memory>
#include <vector>

using namespace amplora;

class TestCancellation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void callbacksRunOnceFromCancel()
    {
        CancelSource source;
        int calls = 0;
        const Cancellation::Subscription first = source.token().onCancel([&calls] { ++calls; });
        const Cancellation::Subscription second = source.token().onCancel([&calls] { ++calls; });
        QCOMPARE(calls, 0);
        source.cancel();
        source.cancel();
        QCOMPARE(calls, 2);
        QVERIFY(source.token().isCancelled());
    }

    void aLateSubscriberIsCalledAtOnce()
    {
        CancelSource source;
        source.cancel();
        bool called = false;
        const Cancellation::Subscription late = source.token().onCancel([&called] { called = true; });
        QVERIFY(called);
    }

    void anEndedSubscriptionIsNotCalled()
    {
        CancelSource source;
        bool called = false;
        {
            const Cancellation::Subscription gone = source.token().onCancel([&called] { called = true; });
        }
        source.cancel();
        QVERIFY(!called);
    }

    // The first callback ends the second subscription (and its own) during the round: the second never runs and
    // nothing touches what was freed.
    void aCallbackMayEndOtherSubscriptions()
    {
        CancelSource source;
        std::vector<int> ran;
        auto later = std::make_unique<Cancellation::Subscription>();
        auto first = std::make_unique<Cancellation::Subscription>();
        *first = source.token().onCancel([&] {
            ran.push_back(1);
            later.reset();
            first.reset();
        });
        *later = source.token().onCancel([&ran] { ran.push_back(2); });
        source.cancel();
        QCOMPARE(ran, std::vector<int> { 1 });
    }

    void aSubscriptionMayOutliveItsSource()
    {
        Cancellation::Subscription outliving;
        {
            CancelSource source;
            outliving = source.token().onCancel([] {});
        }
        // Destroyed after the state it subscribed to: nothing to do, nothing to crash on.
    }
};

QTEST_APPLESS_MAIN(TestCancellation)
#include "tst_cancellation.moc"
