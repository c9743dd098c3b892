#include <QTest>

class TestReceiverControlAdapter : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(TestReceiverControlAdapter)
#include "tst_receivercontroladapter.moc"
