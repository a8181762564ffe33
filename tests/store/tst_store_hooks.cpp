#include <QTest>

#include <memory>

#include "store/data_folder.h"
#include "support/store_hooks.h"

// Hooks that end out of order must not leave a stand-in behind that its owner gave back.
class StoreHooksTest : public QObject {
    Q_OBJECT

private slots:
    void nestedHooksGiveBackWhatStillStands_data() {
        QTest::addColumn<bool>("innerEndsFirst");
        QTest::newRow("the inner hooks ending first give back the outer one's folder") << true;
        QTest::newRow("the outer hooks ending first leave the inner one's folder") << false;
    }
    void nestedHooksGiveBackWhatStillStands() {
        QFETCH(bool, innerEndsFirst);
        const std::string own = store::DataFolder();
        auto outer = std::make_unique<testing::StoreHooks>();
        outer->setDataFolder("/outer/");
        auto inner = std::make_unique<testing::StoreHooks>();
        inner->setDataFolder("/inner/");
        (innerEndsFirst ? inner : outer).reset();
        QCOMPARE(store::DataFolder(), std::string(innerEndsFirst ? "/outer/" : "/inner/"));
        (innerEndsFirst ? outer : inner).reset();
        QCOMPARE(store::DataFolder(), own);
    }
};

QTEST_MAIN(StoreHooksTest)
#include "tst_store_hooks.moc"
