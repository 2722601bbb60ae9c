// The search button beside the address of the update dialog, driven as a user does, against a
// pymodbus server on a loopback port; the search stays inside 127.0.0.0/8.

#include "support/GuiSupport.h"
#include "support/MessageRecorder.h"
#include "support/ModbusServer.h"

#include "language/LangStrings.h"
#include "update/ModbusCheck.h"
#include "update/SearchRangeDialog.h"
#include "update/UpdateDialog.h"

#include <QTest>

namespace {

// The update dialog on its own, showing address.
struct Boot_Fixture {
    Message_Recorder Messages;
    Update_Dialog Update{
        nullptr, [](const QString &, const std::function<void()> &, const Updater_Extras &) {
            return Update_Outcome{};
        }};

    explicit Boot_Fixture(const std::array<const char *, 4> &address) {
        Update.show();
        for (int i = 0; i < 4; ++i)
            Update.E_IP[i]->setText(QLatin1String(address[i]));
    }

    // Opens the search with the button, runs action in it; the action closes it.
    void In_Search(const std::function<void(Search_Range_Dialog *)> &action) {
        When_Modal([action](QWidget *dialog) {
            auto *search = qobject_cast<Search_Range_Dialog *>(dialog);
            QVERIFY(search);
            action(search);
            if (search->isVisible())
                QTest::mouseClick(search->Btn_Close, Qt::LeftButton);
        });
        QTest::mouseClick(Update.Btn_Search_Range, Qt::LeftButton);
    }

    QString Address() const { return Update.Address_Text(); }
};

} // namespace

class Test_Search_Dialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Set_Modbus_Module_File(QStringLiteral(MODBUS_MODULE));
        Fill_Default_Lang();
    }
    void pick_fills_the_address();
    void refused_range_searches_nothing();
};

// The range around the address is proposed; what answers is listed with what it says it is,
// and a double click on it puts its address into the fields.
void Test_Search_Dialog::pick_fills_the_address() {
    Modbus_Servers servers({QStringLiteral("127.0.0.1")});
    QVERIFY2(servers.failure().isEmpty(), qPrintable(servers.failure()));
    // A host on the same port that accepts and never answers is listed, but cannot be picked.
    const Held_Port mute(true, 0x7F000003, servers.ports().at(0));
    Boot_Fixture fixture({"127", "0", "0", "9"});
    QString proposed, proposed_port, status, identification, mute_text;
    fixture.In_Search([&](Search_Range_Dialog *search) {
        proposed = search->E_Range->text();
        proposed_port = search->E_Port->text();
        search->E_Port->setText(QString::number(servers.ports().at(0)));
        QVERIFY(!search->Btn_Use->isEnabled());
        QTest::mouseClick(search->Btn_Search, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(search->Btn_Search->isEnabled(), 20000);
        status = search->L_Status->text();
        QCOMPARE(search->LV_Devices->topLevelItemCount(), 2);
        const QTreeWidgetItem *greyed = search->LV_Devices->topLevelItem(1);
        QCOMPARE(greyed->text(0), QStringLiteral("127.0.0.3"));
        mute_text = greyed->text(1);
        QVERIFY(!(greyed->flags() & (Qt::ItemIsEnabled | Qt::ItemIsSelectable)));
        QTreeWidgetItem *found = search->LV_Devices->topLevelItem(0);
        identification = found->text(1);
        QVERIFY(search->Btn_Use->isEnabled());
        const QRect place = search->LV_Devices->visualItemRect(found);
        // A double click begins with a press, as the view expects.
        QTest::mouseClick(search->LV_Devices->viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseDClick(search->LV_Devices->viewport(), Qt::LeftButton, {}, place.center());
    });
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(proposed, QStringLiteral("127.0.0.0/24"));
    QCOMPARE(proposed_port, QStringLiteral("502"));
    QCOMPARE(status, QStringLiteral("Devices answering: 1"));
    QCOMPARE(mute_text, QStringLiteral("accepts the connection but sends no Modbus reply"));
    QCOMPARE(identification, QStringLiteral("Velmor GW20914 1.2"));
    QCOMPARE(fixture.Address(), QStringLiteral("127.0.0.1"));
    QVERIFY(fixture.Messages.Shown.isEmpty());
}

void Test_Search_Dialog::refused_range_searches_nothing() {
    Boot_Fixture fixture({"127", "0", "0", "9"});
    bool searching = true;
    fixture.In_Search([&searching](Search_Range_Dialog *search) {
        search->E_Range->setText(QStringLiteral("127.0.0.0/16"));
        QTest::mouseClick(search->Btn_Search, Qt::LeftButton);
        searching = !search->Btn_Search->isEnabled() || search->LV_Devices->topLevelItemCount();
    });
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(!searching);
    QCOMPARE(fixture.Messages.Shown.size(), 1);
    QCOMPARE(fixture.Messages.Shown.at(0).second,
             QStringLiteral("The range holds 65534 hosts; at most 1024 can be searched"));
    QCOMPARE(fixture.Address(), QStringLiteral("127.0.0.9"));
}

QTEST_MAIN(Test_Search_Dialog)
#include "tst_search_dialog.moc"
