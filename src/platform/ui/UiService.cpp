#include "platform/ui/UiService.h"

#include "platform/Log.h"
#include "platform/Sql.h"
#include "platform/ui/Desk.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

#include <cstdio>
#include <utility>

namespace qv {

FormRegistry &FormRegistry::instance()
{
    static FormRegistry registry;
    return registry;
}

void FormRegistry::add(const QString &name, Opener opener)
{
    m_openers[name] = std::move(opener);
}

void FormRegistry::remove(const QString &name)
{
    m_openers.erase(name);
}

bool FormRegistry::contains(const QString &name) const
{
    return m_openers.count(name) != 0;
}

namespace {
// Without a window manager (a kiosk session) nobody hands the keyboard back
// to the window a dialog or box was opened from once it closes: the window
// takes it back itself, or its Alt shortcuts would type letters instead.
void takeKeyboardBack(QWidget *parent)
{
    QWidget *window = parent ? parent->window() : QApplication::activeModalWidget();
    if (window && window->isVisible())
        window->activateWindow();
}

} // namespace

namespace {
UiService::ModalInUnitHandler &modalInUnitHandler()
{
    static UiService::ModalInUnitHandler handler;
    return handler;
}

// Commands read, close the form, then write: nothing modal opens while the
// desk's unit of work holds its locks.
void checkNoUnitOpen(const QString &what)
{
    // A unit of work run off the event thread (OffThread) waits on nobody's
    // box: it goes on while one is open, and its connection is not ours to
    // look at until it is back.
    if (desk::sqlLent() || !desk::sql().inUnitOfWork())
        return;
    log::error(QStringLiteral("janela modal aberta dentro de uma unidade de trabalho: ") + what);
    if (const auto &handler = modalInUnitHandler())
        handler(what);
}
} // namespace

UiService::ModalInUnitHandler UiService::setModalInUnitHandler(ModalInUnitHandler handler)
{
    return std::exchange(modalInUnitHandler(), std::move(handler));
}

int FormRegistry::open(const QString &name, QWidget *parent) const
{
    auto it = m_openers.find(name);
    if (it == m_openers.end())
        return -1;
    // Copy: the form may replace its own registration while it runs.
    Opener opener = it->second;
    return opener(parent);
}

int UiService::openForm(const QString &name, QWidget *parent, const QString &module)
{
    Q_UNUSED(module);
    checkNoUnitOpen(QStringLiteral("formulário ") + name);
    const int result = FormRegistry::instance().open(name, parent);
    takeKeyboardBack(parent);
    if (result == -1)
        message(parent, QStringLiteral("Formulário %1 não encontrado !!!").arg(name), style::kStop);
    return result;
}

namespace {
QString kindOf(int style)
{
    const int icon = style & 0x70;
    if (icon == style::kStop)
        return QStringLiteral("erro");
    if (icon == style::kQuestion || (style & 0x0F) == style::kYesNo)
        return QStringLiteral("pergunta");
    if (icon == style::kExclamation)
        return QStringLiteral("aviso");
    return QStringLiteral("informação");
}

int logged(int style, const QString &text, const std::function<int()> &show)
{
    const QString kind = kindOf(style);
    if ((style & 0x70) == style::kStop)
        log::error(QStringLiteral("caixa de mensagem (%1): %2").arg(kind, text));
    else
        log::info(QStringLiteral("caixa de mensagem (%1): %2").arg(kind, text));
    const int answered = show();
    if ((style & 0x0F) == style::kYesNo)
        log::info(QStringLiteral("resposta: %1")
                      .arg(answered == answer::kYes ? QStringLiteral("Sim") : QStringLiteral("Não")));
    return answered;
}
} // namespace

int UiService::message(QWidget *parent, const QString &text, int style)
{
    checkNoUnitOpen(QStringLiteral("caixa de mensagem: ") + text);
    return logged(style, text, [&] { return showMessage(parent, text, style); });
}

int UiService::longMessage(QWidget *parent, const QString &text, int style)
{
    checkNoUnitOpen(QStringLiteral("caixa de mensagem: ") + text);
    return logged(style, text, [&] { return showLongMessage(parent, text, style); });
}

int UiService::showLongMessage(QWidget *parent, const QString &text, int style)
{
    return showMessage(parent, text, style);
}

void UiService::console(const QString &line)
{
    log::info(QStringLiteral("console: ") + line);
    writeConsole(line);
}

void UiService::writeConsole(const QString &line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

namespace {
std::unique_ptr<UiService> &installed()
{
    static std::unique_ptr<UiService> ui;
    return ui;
}
} // namespace

UiService &UiService::instance()
{
    if (!installed())
        installed() = std::make_unique<WidgetUi>();
    return *installed();
}

void UiService::install(std::unique_ptr<UiService> ui)
{
    installed() = std::move(ui);
}

namespace {
// A box wraps its text at word boundaries, and the closing "!!!" of a
// message would be a word of its own on a line of its own: it stays with
// the word it ends.
QString keepMarksWithWords(QString text)
{
    static const QRegularExpression blanksBeforeMarks(QStringLiteral(" +(?=!+$|!+\\n)"));
    return text.replace(blanksBeforeMarks, QStringLiteral("\u00A0"));
}

int showBox(QWidget *parent, const QString &text, int style, bool whole)
{
    QMessageBox box(parent);
    box.setWindowTitle(QApplication::applicationDisplayName());
    if (whole) {
        // Instructions: plain text, and selectable so paths can be copied.
        box.setTextFormat(Qt::PlainText);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse);
        box.setText(keepMarksWithWords(text));
    } else {
        box.setText(keepMarksWithWords(text.left(120)));
    }
    const int icon = style & 0x70;
    if (icon == style::kStop)
        box.setIcon(QMessageBox::Critical);
    else if (icon == style::kQuestion)
        box.setIcon(QMessageBox::Question);
    else if (icon == style::kExclamation)
        box.setIcon(QMessageBox::Warning);
    else
        box.setIcon(QMessageBox::Information);

    if ((style & 0x0F) == style::kYesNo) {
        QPushButton *yes = box.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
        box.setDefaultButton((style & style::kDefaultButton2) ? no : yes);
        box.setEscapeButton(no);
        box.exec();
        takeKeyboardBack(parent);
        return box.clickedButton() == yes ? answer::kYes : answer::kNo;
    }
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
    takeKeyboardBack(parent);
    return answer::kOk;
}
} // namespace

int WidgetUi::showMessage(QWidget *parent, const QString &text, int style)
{
    return showBox(parent, text, style, false);
}

int WidgetUi::showLongMessage(QWidget *parent, const QString &text, int style)
{
    return showBox(parent, text, style, true);
}

bool WidgetUi::startProgram(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

} // namespace qv
