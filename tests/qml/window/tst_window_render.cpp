#include <QTest>

class Placeholder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nothingYet() { }
};

QTEST_MAIN(Placeholder)
#include "tst_window_render.moc"
