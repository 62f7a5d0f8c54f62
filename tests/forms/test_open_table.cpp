#include "FormHarness.h"
#include "ModalScript.h"
#include "TestSupport.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "board/forms/MainForm.h"
#include "data/Tables.h"
#include "platform/Record.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "tables/forms/OpenTable.h"
#include "ui_OpenTable.h"

#include <QApplication>
#include <QDate>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace qv;
using test::DeskDriver;

namespace {

const char *const kReadTable = "SELECT*FROM mov_Mesa WHERE idMesa=?";
const char *const kOpenStatement =
    "UPDATE mov_Mesa SET status='A',qtdPessoas=?,idGarcon=?,horaAbertura=?,idDesconto=0,descontoManual=0,"
    "operDesc=' ',taxaServico=?,dividida='N'WHERE idMesa=? AND status='F'";

// Drives the dialog once its start procedure has run.
struct DialogScript : test::ModalScript<OpenTable>
{
    explicit DialogScript(std::function<void(OpenTable &)> action = {})
        : ModalScript<OpenTable>(std::move(action), [](OpenTable &d) { return d.started(); })
    {}
};

// Picks a waiter by the name the list shows (the names are 20-character,
// blank-padded).
void chooseWaiter(OpenTable &d, const QString &name)
{
    QComboBox *list = d.ui().Cb_Operador;
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).trimmed() == name) {
            list->setCurrentIndex(i);
            return;
        }
    }
    ADD_FAILURE() << "waiter not listed: " << name.toStdString();
}

void fill(OpenTable &d, const QString &people, const QString &waiter)
{
    d.ui().Ed_QTDEPES->setFocus();
    QTest::keyClicks(d.ui().Ed_QTDEPES, people);
    chooseWaiter(d, waiter);
}

QStringList waiterNames(OpenTable &d)
{
    QStringList names;
    for (int i = 0; i < d.ui().Cb_Operador->count(); ++i)
        names << d.ui().Cb_Operador->itemText(i).trimmed();
    return names;
}

// A key as the person types it: to whatever has the focus in the dialog.
void press(OpenTable &d, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(d.focusWidget(), key, modifiers);
}

class OpenTableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerOpenTable();
        SharedRecord::resetAll();
        // MARIANA SOUZA (1) is logged in.
        records::W_VARS_SQL().setText(1, 20, QStringLiteral("MARIANA SOUZA"));
        records::W_VARS_SQL().setDigits(21, 2, 1);
    }

    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }

    // The caller's side: the position into W-VARS-SQL, the flag blank, the
    // form by name.
    int open(int idMesa, DialogScript &script)
    {
        records::W_VARS_SQL().setDigits(23, 5, std::uint64_t(idMesa));
        records::L_LINK().setAt(312, ' ');
        const int result = FormRegistry::instance().open(QStringLiteral("99-AbreMesa"), nullptr);
        EXPECT_FALSE(script.leftOpen()) << "the dialog stayed open";
        return result;
    }

    // The columns the opening writes, '|'-separated.
    QString row(int idMesa) const
    {
        return db.value(QStringLiteral("SELECT CONCAT_WS('|',status,qtdPessoas,idGarcon,idDesconto,descontoManual,"
                                       "CONCAT('[',operDesc,']'),taxaServico,dividida) FROM mov_Mesa WHERE idMesa=%1")
                            .arg(idMesa));
    }
    QString snapshot() const { return db.value(QStringLiteral("CHECKSUM TABLE mov_Mesa")); }
    char flag() const { return records::L_LINK().at(312); }
    QStringList texts() const
    {
        QStringList all;
        for (const test::Shown &m : ui.ui().messages)
            all << m.text;
        return all;
    }
    void expectOnlyStop(const QStringList &expected) const
    {
        EXPECT_EQ(texts(), expected);
        for (const test::Shown &m : ui.ui().messages)
            EXPECT_EQ(m.style, style::kStop) << m.text.toStdString();
    }

    test::TestDatabase db{true};
    test::ScriptedUiScope ui;
};

} // namespace

// ---------------------------------------------------------------------------
// Opening and the row it writes
// ---------------------------------------------------------------------------

TEST_F(OpenTableTest, FirstPositionOpensWithServerTimeCurrentFeeAndEverythingElseReset)
{
    // Leftovers of the position's last account, and a fee that is not the
    // demo's 10.00, so a constant or a stale value would show.
    db.run(QStringLiteral("UPDATE mov_Mesa SET idDesconto=3,descontoManual=7.50,operDesc='ANDRE MARTINS',"
                          "dividida='S',taxaServico=0,qtdPessoas=9,idGarcon=2 WHERE idMesa=2201;"
                          "UPDATE tab_Parametros SET taxaServicoParam=12.50 WHERE idParam=1"));
    // Position 1 itself needs no position-1 check: were it read, this
    // injected failure would refuse the opening.
    SqlTestProbe::on(desk::sql()).failNext(kReadTable);

    DialogScript script([](OpenTable &d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("99-AbreMesa"));
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Abre Mesa"));
        EXPECT_EQ(d.ui().Ed_CODIMES->text(), QStringLiteral(" 2201"));
        EXPECT_TRUE(d.ui().Ed_QTDEPES->text().isEmpty());
        EXPECT_EQ(d.ui().Ed_DTSIS->date(), QDate::currentDate());
        EXPECT_EQ(d.ui().Cb_Operador->currentIndex(), -1);
        EXPECT_TRUE(d.ui().Cb_Operador->currentText().isEmpty());
        EXPECT_EQ(d.focusWidget(), d.ui().Ed_QTDEPES);
        EXPECT_EQ(d.serviceFee(), Decimal::fromCents(1250));
        fill(d, QStringLiteral("12"), QStringLiteral("JOAO PEREIRA"));
        QTest::mouseClick(d.ui().Bt_Gravar, Qt::LeftButton);
    });
    EXPECT_EQ(open(2201, script), int(QDialog::Accepted));
    EXPECT_TRUE(script.ran());

    EXPECT_TRUE(texts().isEmpty()) << texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(flag(), 'S');
    EXPECT_EQ(row(2201), QStringLiteral("A|12|4|0|0.00|[]|12.50|N"));
    const QString opened = db.value(QStringLiteral("SELECT horaAbertura FROM mov_Mesa WHERE idMesa=2201"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(opened).hasMatch())
        << opened.toStdString();
    EXPECT_LE(db.value(QStringLiteral("SELECT ABS(TIME_TO_SEC(TIMEDIFF(CURTIME(),horaAbertura))) FROM mov_Mesa "
                                      "WHERE idMesa=2201"))
                  .toInt(),
              2);

    // The injected failure is still waiting: nobody read it.
    Record any(tables::movMesa);
    EXPECT_EQ(desk::sql().exec(kReadTable, {2201}, &any).state(), QStringLiteral("HY000"));
}

TEST_F(OpenTableTest, LaterPositionOpensWhilePositionOneIsInUse)
{
    // 301 open, 1501 blocked, 1801 bill requested: anything but closed.
    const struct
    {
        int idMesa;
        const char *shown; // mask "zz999"
        const char *waiter;
        const char *expected;
    } cases[] = {
        {302, "  302", "ANTONIO SILVA", "A|3|5|0|0.00|[]|10.00|N"},
        {1502, " 1502", "PEDRO CARDOSO", "A|3|15|0|0.00|[]|10.00|N"},
        {1804, " 1804", "FERNANDA ROCHA", "A|3|13|0|0.00|[]|10.00|N"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.idMesa);
        DialogScript script([&](OpenTable &d) {
            EXPECT_EQ(d.ui().Ed_CODIMES->text(), QString::fromLatin1(c.shown));
            fill(d, QStringLiteral("3"), QString::fromLatin1(c.waiter));
            QTest::mouseClick(d.ui().Bt_Gravar, Qt::LeftButton);
        });
        open(c.idMesa, script);
        EXPECT_TRUE(script.ran());
        EXPECT_EQ(flag(), 'S');
        EXPECT_EQ(row(c.idMesa), QString::fromLatin1(c.expected));
    }
    EXPECT_TRUE(texts().isEmpty()) << texts().join(QLatin1Char('|')).toStdString();
}

// ---------------------------------------------------------------------------
// Position 1 refusals: message, dialog closed, nothing written
// ---------------------------------------------------------------------------

TEST_F(OpenTableTest, LaterPositionRefusedWhilePositionOneIsClosed)
{
    const QString before = snapshot();
    DialogScript script([](OpenTable &) { ADD_FAILURE() << "the dialog should have closed itself"; });
    EXPECT_EQ(open(2203, script), int(QDialog::Rejected));
    expectOnlyStop({QStringLiteral("Posição 1 da mesa fechada, abra a posição 1 primeiro !!!")});
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(row(2203).left(1), QStringLiteral("F"));
    EXPECT_EQ(flag(), ' ');
}

TEST_F(OpenTableTest, PositionOneMissingOrUnreadableCountsAsNoPosition)
{
    const QString before = snapshot();
    {
        // Table 90 has no rows at all.
        DialogScript script([](OpenTable &) { ADD_FAILURE() << "the dialog should have closed itself"; });
        EXPECT_EQ(open(9003, script), int(QDialog::Rejected));
        expectOnlyStop({QStringLiteral("Erro ao acessar a posição da mesa !!!")});
        EXPECT_EQ(flag(), ' ');
    }
    ui.ui().messages.clear();
    {
        // 1201 is open, so only the failed read stops position 3 here.
        SqlTestProbe::on(desk::sql()).failNext(kReadTable, QStringLiteral("HY000"));
        DialogScript script([](OpenTable &) { ADD_FAILURE() << "the dialog should have closed itself"; });
        EXPECT_EQ(open(1203, script), int(QDialog::Rejected));
        expectOnlyStop({QStringLiteral("Erro ao acessar a posição da mesa !!!")});
        EXPECT_EQ(flag(), ' ');
    }
    EXPECT_EQ(snapshot(), before);
}

// Parameters that cannot be read open nothing: the table would otherwise
// open charging no service fee at all. A database without the row has no
// fee to give, and opens with none.
TEST_F(OpenTableTest, UnreadableParametersOpenNothingAMissingRowOpensWithoutFee)
{
    const QString before = snapshot();
    {
        SqlTestProbe::on(desk::sql())
            .failNext("SELECT*FROM tab_Parametros WHERE idParam=1", QStringLiteral("HY000"),
                      QStringLiteral("Lost connection to server during query"));
        DialogScript script([](OpenTable &) { ADD_FAILURE() << "the dialog should have closed itself"; });
        EXPECT_EQ(open(2201, script), int(QDialog::Rejected));
        expectOnlyStop({QStringLiteral("Erro HY000 lendo os parâmetros, a mesa não foi aberta !!!"),
                        QStringLiteral("Lost connection to server during query")});
        EXPECT_EQ(flag(), ' ');
        EXPECT_EQ(snapshot(), before);
    }
    ui.ui().messages.clear();
    {
        db.run(QStringLiteral("DELETE FROM tab_Parametros"));
        DialogScript script([](OpenTable &d) {
            EXPECT_TRUE(d.serviceFee().isZero());
            fill(d, QStringLiteral("2"), QStringLiteral("JOAO PEREIRA"));
            QTest::mouseClick(d.ui().Bt_Gravar, Qt::LeftButton);
        });
        EXPECT_EQ(open(2201, script), int(QDialog::Accepted));
        EXPECT_TRUE(script.ran());
        EXPECT_EQ(row(2201), QStringLiteral("A|2|4|0|0.00|[]|0.00|N"));
    }
}

// ---------------------------------------------------------------------------
// The waiter list
// ---------------------------------------------------------------------------

TEST_F(OpenTableTest, WaiterListHoldsCodesOneTo99InCodeOrderWithoutThoseWhoLeft)
{
    // Codes 0 and 100 lie outside the two digits; 20 sorts first by name
    // but comes after 15 by code.
    db.run(QStringLiteral("INSERT INTO tab_Operador (idOperador,nome,situacao) VALUES "
                          "(0,'CODIGO ZERO','A'),(20,'AAA PRIMEIRO','A'),(99,'ULTIMO CODIGO','A'),"
                          "(100,'ALEM DO LIMITE','A')"));
    const QStringList expected = {
        QStringLiteral("MARIANA SOUZA"),   QStringLiteral("ROBERTO LIMA"),   QStringLiteral("PAULO SANTOS"),
        QStringLiteral("JOAO PEREIRA"),    QStringLiteral("ANTONIO SILVA"),  QStringLiteral("CARLOS OLIVEIRA"),
        QStringLiteral("FRANCISCO ALVES"), QStringLiteral("JOSE RODRIGUES"), QStringLiteral("LUCAS FERREIRA"),
        QStringLiteral("MARCOS GOMES"),    QStringLiteral("ANDRE MARTINS"),  QStringLiteral("FERNANDA ROCHA"),
        QStringLiteral("TIAGO BARBOSA"),   QStringLiteral("PEDRO CARDOSO"),  QStringLiteral("AAA PRIMEIRO"),
        QStringLiteral("ULTIMO CODIGO"),
    };
    {
        DialogScript script([&](OpenTable &d) {
            EXPECT_EQ(waiterNames(d), expected);
            EXPECT_EQ(d.ui().Cb_Operador->currentIndex(), -1);
            d.ui().Bt_Sair->click();
        });
        open(2201, script);
        EXPECT_TRUE(script.ran());
    }
    {
        // The list is read again at every opening.
        db.run(QStringLiteral("UPDATE tab_Operador SET situacao='E' WHERE idOperador=4;"
                              "UPDATE tab_Operador SET situacao='A' WHERE idOperador=10"));
        DialogScript script([&](OpenTable &d) {
            const QStringList names = waiterNames(d);
            EXPECT_EQ(names.size(), expected.size());
            EXPECT_FALSE(names.contains(QStringLiteral("JOAO PEREIRA")));
            EXPECT_EQ(names.indexOf(QStringLiteral("RAFAEL COSTA")), 8); // after LUCAS FERREIRA (9)
            d.ui().Bt_Sair->click();
        });
        open(2201, script);
        EXPECT_TRUE(script.ran());
    }
}

TEST_F(OpenTableTest, WaiterRenamedMeanwhileOpensInTheLoggedInOperatorsName)
{
    records::W_VARS_SQL().setDigits(21, 2, 3); // PAULO SANTOS at the desk
    DialogScript script([&](OpenTable &d) {
        fill(d, QStringLiteral("2"), QStringLiteral("JOAO PEREIRA"));
        db.run(QStringLiteral("UPDATE tab_Operador SET nome='JOAO P. PEREIRA' WHERE idOperador=4"));
        QTest::mouseClick(d.ui().Bt_Gravar, Qt::LeftButton);
    });
    EXPECT_EQ(open(2201, script), int(QDialog::Accepted));
    EXPECT_TRUE(script.ran());
    expectOnlyStop({QStringLiteral("Não foi possível associoar o Garçon à mesa !!!")});
    EXPECT_EQ(row(2201), QStringLiteral("A|2|3|0|0.00|[]|10.00|N"));
    EXPECT_EQ(flag(), 'S');
}

// ---------------------------------------------------------------------------
// Refused input, leaving, a failed write
// ---------------------------------------------------------------------------

TEST_F(OpenTableTest, MissingPeopleOrWaiterSendsTheFocusBackSilently)
{
    const QString before = snapshot();
    DialogScript script([](OpenTable &d) {
        auto &f = d.ui();
        for (const QString &people : {QString(), QStringLiteral("0"), QStringLiteral("000")}) {
            SCOPED_TRACE(people.toStdString());
            chooseWaiter(d, QStringLiteral("JOAO PEREIRA"));
            f.Ed_QTDEPES->setText(people);
            f.Cb_Operador->setFocus();
            QTest::mouseClick(f.Bt_Gravar, Qt::LeftButton);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(d.focusWidget(), f.Ed_QTDEPES);
        }
        f.Ed_QTDEPES->setText(QStringLiteral("4"));
        f.Cb_Operador->setCurrentIndex(-1);
        QTest::mouseClick(f.Bt_Gravar, Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.focusWidget(), f.Cb_Operador);
        f.Bt_Sair->click();
    });
    EXPECT_EQ(open(2201, script), int(QDialog::Rejected));
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(texts().isEmpty()) << texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(flag(), ' ');
}

TEST_F(OpenTableTest, PeopleFieldTakesAtMostThreeDigits)
{
    DialogScript script([](OpenTable &d) {
        d.ui().Ed_QTDEPES->setFocus();
        QTest::keyClicks(d.ui().Ed_QTDEPES, QStringLiteral("1a2-34"));
        EXPECT_EQ(d.ui().Ed_QTDEPES->text(), QStringLiteral("123"));
        chooseWaiter(d, QStringLiteral("LUCAS FERREIRA"));
        QTest::mouseClick(d.ui().Bt_Gravar, Qt::LeftButton);
    });
    open(2201, script);
    EXPECT_EQ(row(2201), QStringLiteral("A|123|9|0|0.00|[]|10.00|N"));
}

TEST_F(OpenTableTest, SairLeavesTheRowAndTheFlagAlone)
{
    const QString before = snapshot();
    DialogScript script([](OpenTable &d) {
        fill(d, QStringLiteral("4"), QStringLiteral("JOAO PEREIRA"));
        QTest::mouseClick(d.ui().Bt_Sair, Qt::LeftButton);
    });
    EXPECT_EQ(open(2201, script), int(QDialog::Rejected));
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(texts().isEmpty());
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(flag(), ' ');
}

TEST_F(OpenTableTest, FailedWriteShowsTheStateThenTheDatabaseText)
{
    const QString longText = QStringLiteral("Duplicate entry ") + QString(140, QLatin1Char('x'));
    SqlTestProbe::on(desk::sql()).failNext(kOpenStatement, QStringLiteral("23000"), longText);
    const QString before = snapshot();
    DialogScript script([](OpenTable &d) {
        fill(d, QStringLiteral("4"), QStringLiteral("JOAO PEREIRA"));
        QTest::mouseClick(d.ui().Bt_Gravar, Qt::LeftButton);
    });
    EXPECT_EQ(open(2201, script), int(QDialog::Rejected));
    EXPECT_TRUE(script.ran());
    // The server's text whole: cut, it loses what says what to do.
    expectOnlyStop({QStringLiteral("Erro 23000 na abertura da mesa !!!"), longText});
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(flag(), ' ');
}

TEST_F(OpenTableTest, APositionOpenedElsewhereMeanwhileIsNotOpenedOverAndIsShownAsItIs)
{
    DialogScript script([this](OpenTable &d) {
        fill(d, QStringLiteral("4"), QStringLiteral("JOAO PEREIRA"));
        // A waiter's terminal opens it while the cashier fills the dialog.
        db.run(QStringLiteral(
            "UPDATE mov_Mesa SET status='A',qtdPessoas=6,idGarcon=8,horaAbertura='21:00:00' WHERE idMesa=2201"));
        QTest::mouseClick(d.ui().Bt_Gravar, Qt::LeftButton);
    });
    EXPECT_EQ(open(2201, script), int(QDialog::Rejected));
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Mesa já foi aberta em outro terminal !!!")});
    EXPECT_EQ(ui.ui().messages.front().style, style::kInformation);
    EXPECT_EQ(db.value(QStringLiteral("SELECT CONCAT_WS('|',status,qtdPessoas,idGarcon,horaAbertura) FROM mov_Mesa "
                                      "WHERE idMesa=2201")),
              QStringLiteral("A|6|8|21:00:00"));
    // The position is open: the caller reads it as the terminal opened it.
    EXPECT_EQ(flag(), 'S');
}

TEST_F(OpenTableTest, UnreadableServerTimeOpensNothing)
{
    SqlTestProbe::on(desk::sql()).failNext("SELECT CURTIME()");
    const QString before = snapshot();
    DialogScript script([](OpenTable &d) {
        fill(d, QStringLiteral("4"), QStringLiteral("JOAO PEREIRA"));
        QTest::mouseClick(d.ui().Bt_Gravar, Qt::LeftButton);
    });
    EXPECT_EQ(open(2201, script), int(QDialog::Rejected));
    EXPECT_TRUE(script.ran());
    expectOnlyStop({QStringLiteral("Erro HY000 lendo a hora do servidor, a mesa não foi aberta !!!"),
                    QStringLiteral("injected failure")});
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(flag(), ' ');
}

// ---------------------------------------------------------------------------
// Keyboard: Enter walks, and presses only a focused button
// ---------------------------------------------------------------------------

TEST_F(OpenTableTest, EnterWalksTheFieldsAndPressesOnlyAFocusedButton)
{
    const QString before = snapshot();
    DialogScript script([&](OpenTable &d) {
        auto &f = d.ui();
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        f.Ed_QTDEPES->setFocus();
        EXPECT_EQ(d.keyFlag(), 'E');
        QTest::keyClicks(f.Ed_QTDEPES, QStringLiteral("5"));
        chooseWaiter(d, QStringLiteral("MARCOS GOMES"));

        // From the people field to the waiter, then to Gravar: nothing is
        // pressed on the way, though the input is complete.
        press(d, Qt::Key_Return);
        EXPECT_EQ(d.focusWidget(), f.Cb_Operador);
        EXPECT_EQ(d.keyFlag(), 'E');
        press(d, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(d.focusWidget(), f.Bt_Gravar);
        EXPECT_EQ(d.keyFlag(), 'T');
        EXPECT_EQ(snapshot(), before);

        // Round the buttons and back to the fields: the flag follows.
        press(d, Qt::Key_Tab);
        EXPECT_EQ(d.focusWidget(), f.Bt_Sair);
        EXPECT_EQ(d.keyFlag(), 'T');
        press(d, Qt::Key_Tab);
        EXPECT_EQ(d.focusWidget(), f.Ed_QTDEPES);
        EXPECT_EQ(d.keyFlag(), 'E');
        EXPECT_TRUE(d.isVisible());

        press(d, Qt::Key_Return);
        press(d, Qt::Key_Return);
        ASSERT_EQ(d.focusWidget(), f.Bt_Gravar);
        press(d, Qt::Key_Return); // now it presses Gravar
    });
    EXPECT_EQ(open(2201, script), int(QDialog::Accepted));
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(row(2201), QStringLiteral("A|5|11|0|0.00|[]|10.00|N"));
    EXPECT_EQ(flag(), 'S');
}

TEST_F(OpenTableTest, EnterOnSairLeavesWithoutWriting)
{
    const QString before = snapshot();
    DialogScript script([](OpenTable &d) {
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        fill(d, QStringLiteral("2"), QStringLiteral("JOAO PEREIRA"));
        d.ui().Bt_Sair->setFocus();
        EXPECT_EQ(d.keyFlag(), 'T');
        press(d, Qt::Key_Return);
    });
    EXPECT_EQ(open(2201, script), int(QDialog::Rejected));
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(flag(), ' ');
}

// ---------------------------------------------------------------------------
// Through the main form
// ---------------------------------------------------------------------------

TEST(OpenTableFromMainForm, YesOpensTheDialogAndTheDetailShowsTheOpenedTable)
{
    registerOpenTable();
    test::FormHarness h;
    h.standardSession();
    MainForm &f = h.startOnDesk(1);
    h.ui().answer(answer::kYes);
    DialogScript script([](OpenTable &d) {
        EXPECT_EQ(d.ui().Ed_CODIMES->text(), QStringLiteral(" 2201"));
        fill(d, QStringLiteral("3"), QStringLiteral("CARLOS OLIVEIRA"));
        QTest::mouseClick(d.ui().Bt_Gravar, Qt::LeftButton);
    });
    h.typeTable(QStringLiteral("2201"));
    EXPECT_TRUE(script.ran());
    EXPECT_FALSE(script.leftOpen());
    EXPECT_EQ(h.texts(), QStringList{QStringLiteral("Mesa fechada, abre ?")});
    EXPECT_EQ(DeskDriver(f).Ed_CODIMES->text(), QStringLiteral("022/01"));
    EXPECT_EQ(DeskDriver(f).Ed_QTDEPES->text(), QStringLiteral("3"));
    EXPECT_EQ(DeskDriver(f).Ds_CODIGAR->text(), QStringLiteral("6"));
    EXPECT_EQ(f.currentTable(), 2201);
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=2201")), QStringLiteral("A"));
}

TEST(OpenTableFromMainForm, DecliningOrLeavingTheDialogClearsTheTableField)
{
    registerOpenTable();
    test::FormHarness h;
    h.standardSession();
    MainForm &f = h.startOnDesk(1);
    {
        h.ui().answer(answer::kNo);
        DialogScript script([](OpenTable &) { ADD_FAILURE() << "no dialog after No"; });
        h.typeTable(QStringLiteral("2201"));
        EXPECT_FALSE(script.ran());
        EXPECT_TRUE(DeskDriver(f).Ed_CODIMES->text().isEmpty());
        EXPECT_EQ(f.currentTable(), 0);
    }
    {
        h.ui().answer(answer::kYes);
        DialogScript script([](OpenTable &d) {
            fill(d, QStringLiteral("2"), QStringLiteral("JOAO PEREIRA"));
            QTest::mouseClick(d.ui().Bt_Sair, Qt::LeftButton);
        });
        h.typeTable(QStringLiteral("2301"));
        EXPECT_TRUE(script.ran());
        EXPECT_TRUE(DeskDriver(f).Ed_CODIMES->text().isEmpty());
        EXPECT_EQ(f.currentTable(), 0);
    }
    EXPECT_EQ(h.texts(), (QStringList{QStringLiteral("Mesa fechada, abre ?"), QStringLiteral("Mesa fechada, abre ?")}));
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE idMesa IN (2201,2301) AND status='F'")),
              QStringLiteral("2"));
}
