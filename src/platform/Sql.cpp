#include "platform/Sql.h"

#include "platform/Log.h"
#include "platform/SqlProbe.h"

#include <mysql.h>

#include <algorithm>
#include <cstring>
#include <span>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace qv {

namespace {

const QString kSuccess = QStringLiteral("00000");
const QString kNoData = QStringLiteral("02000");

MYSQL *db(void *handle)
{
    return static_cast<MYSQL *>(handle);
}

} // namespace

struct Sql::Prepared
{
    MYSQL_STMT *stmt = nullptr;
    std::string text;
    std::string cursor; // empty for a plain statement
    unsigned long paramCount = 0;
    unsigned int columnCount = 0;
    // Result buffers, one per column; every column travels as text so that
    // DECIMAL values keep every digit.
    std::vector<MYSQL_BIND> result;
    std::vector<std::vector<char>> buffers;
    std::vector<unsigned long> lengths;
    std::vector<my_bool> nulls;
    std::vector<my_bool> errors;
    bool stored = false;

    ~Prepared()
    {
        if (stmt)
            mysql_stmt_close(stmt);
    }
};

Sql::Sql() = default;

Sql::~Sql()
{
    disconnect();
}

bool Sql::connectNow()
{
    if (m_link.connected()) {
        setState(kSuccess, QString());
        return true;
    }
    if (!ensureConnected())
        return false;
    setState(kSuccess, QString());
    return true;
}

void Sql::dropStatements()
{
    m_cursors.clear();
    m_byAddress.clear();
    m_prepared.clear();
}

int Sql::preparedCount() const
{
    return int(m_prepared.size());
}

void Sql::setState(const QString &state, const QString &message, unsigned int errorNumber)
{
    m_status.set(state, message, errorNumber);
}

void Sql::setStateFromConnection()
{
    const unsigned int error = mysql_errno(db(m_link.handle()));
    QString state = QString::fromLatin1(mysql_sqlstate(db(m_link.handle())));
    if ((state == kSuccess || state.isEmpty()) && error != 0)
        state = QStringLiteral("HY000");
    setState(state, QString::fromUtf8(mysql_error(db(m_link.handle()))), error);
    noteLostConnection(error);
}

void Sql::setStateFromStmt(Prepared &p)
{
    const unsigned int error = mysql_stmt_errno(p.stmt);
    QString state = QString::fromLatin1(mysql_stmt_sqlstate(p.stmt));
    // A failure must never read as success, whatever the library reports.
    if (state == kSuccess || state.isEmpty())
        state = QStringLiteral("HY000");
    setState(state, QString::fromUtf8(mysql_stmt_error(p.stmt)), error);
    noteLostConnection(error);
}

void Sql::noteLostConnection(unsigned int errorNumber)
{
    if (m_link.noteLostConnection(errorNumber) && m_unit.depth > 0)
        m_unit.lost = true;
}

bool Sql::ensureConnected()
{
    if (m_link.ensureConnected(m_unit.depth > 0, m_unit.lost))
        return true;
    if (m_unit.depth > 0)
        m_unit.lost = true;
    return false;
}

Sql::Prepared *Sql::prepare(const char *cursor, std::string_view text)
{
    const std::pair<const void *, const void *> address(cursor, text.data());
    if (auto it = m_byAddress.find(address);
        it != m_byAddress.end() && it->second->text == text && (!cursor || it->second->cursor == cursor))
        return it->second;
    // Each cursor gets its own statement handle, so the same text may run
    // as a plain statement while the cursor is open.
    const std::string key = cursor ? std::string(cursor) + '\x1f' + std::string(text) : std::string(text);
    if (auto it = m_prepared.find(key); it != m_prepared.end()) {
        m_byAddress[address] = it->second.get();
        return it->second.get();
    }

    auto p = std::make_unique<Prepared>();
    p->text = std::string(text);
    if (cursor)
        p->cursor = cursor;
    p->stmt = mysql_stmt_init(db(m_link.handle()));
    if (!p->stmt) {
        setStateFromConnection();
        return nullptr;
    }
    // Buffered results keep their rows client-side, so statements issued
    // inside a cursor loop do not collide with the open result.
    waited();
    if (mysql_stmt_prepare(p->stmt, p->text.data(), p->text.size()) != 0) {
        setStateFromStmt(*p);
        return nullptr;
    }
    p->paramCount = mysql_stmt_param_count(p->stmt);
    p->columnCount = mysql_stmt_field_count(p->stmt);
    if (p->columnCount > 0) {
        MYSQL_RES *meta = mysql_stmt_result_metadata(p->stmt);
        p->result.assign(p->columnCount, MYSQL_BIND{});
        p->buffers.resize(p->columnCount);
        p->lengths.assign(p->columnCount, 0);
        p->nulls.assign(p->columnCount, 0);
        p->errors.assign(p->columnCount, 0);
        for (unsigned int i = 0; i < p->columnCount; ++i) {
            unsigned long width = 64;
            if (meta) {
                const MYSQL_FIELD *f = mysql_fetch_field_direct(meta, i);
                width = std::max<unsigned long>(width, f->length + 1);
            }
            p->buffers[i].assign(width, '\0');
            MYSQL_BIND &b = p->result[i];
            b.buffer_type = MYSQL_TYPE_STRING;
            b.buffer = p->buffers[i].data();
            b.buffer_length = width;
            b.length = &p->lengths[i];
            b.is_null = &p->nulls[i];
            b.error = &p->errors[i];
        }
        if (meta)
            mysql_free_result(meta);
    }
    Prepared *raw = p.get();
    m_prepared.emplace(key, std::move(p));
    m_byAddress[address] = raw;
    return raw;
}

bool Sql::bindAndExecute(Prepared &p, SqlParams in)
{
    if (!bindAndSend(p, in.begin(), in.size()))
        return false;
    if (p.columnCount > 0) {
        if (mysql_stmt_bind_result(p.stmt, p.result.data()) != 0 || mysql_stmt_store_result(p.stmt) != 0) {
            setStateFromStmt(p);
            return false;
        }
        p.stored = true;
        m_affected = std::int64_t(mysql_stmt_num_rows(p.stmt));
    } else {
        m_affected = std::int64_t(mysql_stmt_affected_rows(p.stmt));
    }
    setState(kSuccess, QString());
    return true;
}

bool Sql::bindAndSend(Prepared &p, const SqlParam *in, std::size_t count)
{
    if (count != p.paramCount) {
        setState(QStringLiteral("07001"),
                 QStringLiteral("statement expects %1 values, %2 given").arg(p.paramCount).arg(count));
        return false;
    }
    if (p.stored)
        release(p);
    // Every statement of the screen takes a handful of values: they are
    // bound from the stack, not from three allocations per statement.
    constexpr std::size_t kInline = 8;
    MYSQL_BIND inlineBinds[kInline];
    unsigned long inlineLengths[kInline];
    long long inlineIntegers[kInline];
    std::vector<MYSQL_BIND> moreBinds;
    std::vector<unsigned long> moreLengths;
    std::vector<long long> moreIntegers;
    MYSQL_BIND *binds = inlineBinds;
    unsigned long *lengths = inlineLengths;
    long long *integers = inlineIntegers;
    if (count > kInline) {
        moreBinds.resize(count);
        moreLengths.resize(count);
        moreIntegers.resize(count);
        binds = moreBinds.data();
        lengths = moreLengths.data();
        integers = moreIntegers.data();
    }
    std::fill(binds, binds + count, MYSQL_BIND{});
    std::fill(lengths, lengths + count, 0UL);
    std::fill(integers, integers + count, 0LL);
    std::size_t i = 0;
    for (const SqlParam &param : std::span(in, count)) {
        MYSQL_BIND &b = binds[i];
        switch (param.kind()) {
        case SqlParam::Integer:
            integers[i] = param.integer();
            b.buffer_type = MYSQL_TYPE_LONGLONG;
            b.buffer = &integers[i];
            break;
        case SqlParam::Exact:
        case SqlParam::Text:
            lengths[i] = param.bytes().size();
            b.buffer_type = param.kind() == SqlParam::Exact ? MYSQL_TYPE_NEWDECIMAL : MYSQL_TYPE_STRING;
            b.buffer = const_cast<char *>(param.bytes().data());
            b.buffer_length = lengths[i];
            b.length = &lengths[i];
            break;
        }
        ++i;
    }
    if (count > 0 && mysql_stmt_bind_param(p.stmt, binds) != 0) {
        setStateFromStmt(p);
        return false;
    }
    if (m_probe)
        m_probe->executed();
    if (!m_sendOnly)
        waited();
    // Sends the execution; the answer is read here too, unless a batch
    // asked the connection to leave it for later.
    if (mysql_stmt_execute(p.stmt) != 0) {
        setStateFromStmt(p);
        return false;
    }
    return true;
}

void Sql::release(Prepared &p)
{
    // The library frees a stored result and settles the handle only while
    // its row cursor still points at a row: a result read to its last row
    // but not past it would leave the handle half-fetched, and its next
    // execution sent without reading (a batch) would then try to flush the
    // old result from the connection, swallowing another execution's
    // answer. Rewinding first settles every handle the same way.
    if (mysql_stmt_num_rows(p.stmt) > 0)
        mysql_stmt_data_seek(p.stmt, 0);
    mysql_stmt_free_result(p.stmt);
    p.stored = false;
}

bool Sql::checkColumns(Prepared &p, const Layout &layout)
{
    if (int(p.columnCount) == layout.size())
        return true;
    // A table whose columns were added, removed or moved would silently
    // shift every value of an all-column read: refuse it instead.
    setState(QStringLiteral("07002"), QStringLiteral("%1: the statement returns %2 columns, the record has %3")
                                          .arg(QLatin1String(layout.table()))
                                          .arg(p.columnCount)
                                          .arg(layout.size()));
    return false;
}

int Sql::fetchInto(Prepared &p, Record &into)
{
    const int rc = mysql_stmt_fetch(p.stmt);
    if (rc == MYSQL_NO_DATA) {
        // The library leaves the state at "00000" here; the callers need
        // the end-of-data state to end their loops.
        setState(kNoData, QStringLiteral("no data"));
        return 1;
    }
    if (rc == 1) {
        setStateFromStmt(p);
        return -1;
    }
    for (unsigned int i = 0; i < p.columnCount; ++i) {
        if (p.errors[i]) {
            // Longer than the buffer: read the whole value.
            p.buffers[i].assign(p.lengths[i] + 1, '\0');
            MYSQL_BIND b{};
            b.buffer_type = MYSQL_TYPE_STRING;
            b.buffer = p.buffers[i].data();
            b.buffer_length = p.lengths[i] + 1;
            unsigned long len = 0;
            b.length = &len;
            mysql_stmt_fetch_column(p.stmt, &b, i, 0);
            p.result[i].buffer = p.buffers[i].data();
            p.result[i].buffer_length = p.lengths[i] + 1;
            mysql_stmt_bind_result(p.stmt, p.result.data());
        }
        // Text is padded to the column width and numbers parsed exactly;
        // NULL reads as zero or blanks.
        const std::size_t length = std::min<std::size_t>(p.lengths[i], p.buffers[i].size());
        into.setBytes(int(i), std::string_view(p.buffers[i].data(), p.nulls[i] ? 0 : length), p.nulls[i] != 0);
    }
    setState(kSuccess, QString());
    return 0;
}

void Sql::setProbe(std::unique_ptr<SqlProbe> probe)
{
    m_probe = std::move(probe);
    m_link.setProbe(m_probe.get());
}

void Sql::waited(int count)
{
    m_link.waited(count);
}

void Sql::noteSent(std::string_view text, SqlParams in)
{
    if (m_probe)
        m_probe->sent(text, std::span(in.begin(), in.size()));
}

bool Sql::injected(std::string_view text)
{
    if (!m_probe)
        return false;
    const std::optional<SqlProbe::Failure> failure = m_probe->failure(text);
    if (!failure)
        return false;
    setState(failure->state, failure->message);
    return true;
}

std::size_t SqlBatch::add(std::string_view text, SqlParams in, const Layout &layout)
{
    const std::size_t index = add(text, in);
    m_entries[index].layout = &layout;
    return index;
}

std::size_t SqlBatch::add(std::string_view text, SqlParams in)
{
    Entry &entry = m_entries.emplace_back();
    entry.text = text;
    entry.params.assign(in.begin(), in.end());
    return m_entries.size() - 1;
}

const Record *SqlBatch::row(std::size_t index) const
{
    const Entry &entry = m_entries[index];
    return entry.rows.empty() ? nullptr : &entry.rows.front();
}

std::optional<std::size_t> SqlBatch::firstFailure() const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].result.failed())
            return i;
    return std::nullopt;
}

namespace {

// Bounds of one chunk of a batch: what one round trip carries at most, so
// that a huge batch does not hold every answer in memory at once before
// the caller sees any (the sending itself never fills the buffers: see
// run).
constexpr std::size_t kChunkExecutions = 1000;
constexpr std::size_t kChunkRequestBytes = 64 * 1024;

// Whether the connection takes another request now, without waiting.
bool writable(int socket)
{
    if (socket < 0)
        return true;
    pollfd probe{socket, POLLOUT, 0};
    return ::poll(&probe, 1, 0) > 0 && (probe.revents & POLLOUT) != 0;
}

// Holds small writes back until uncorked (TCP only; a local socket has no
// such option and sends at once anyway).
void cork(int socket, bool on)
{
    if (socket < 0)
        return;
    const int value = on ? 1 : 0;
    ::setsockopt(socket, IPPROTO_TCP, TCP_CORK, &value, sizeof value);
}

std::size_t requestBytes(const std::vector<SqlParam> &params)
{
    std::size_t bytes = 16; // header, command, statement id, flags, iterations
    for (const SqlParam &param : params)
        bytes += 3 + (param.kind() == SqlParam::Integer ? 8 : param.bytes().size() + 3);
    return bytes;
}

} // namespace

void Sql::failRest(SqlBatch &batch, std::size_t from, const SqlResult &lost)
{
    // Whatever was sent after a lost answer is lost with it, and nothing
    // is sent on another connection: inside a unit of work that would
    // store the rest of a command on its own.
    for (std::size_t i = from; i < batch.m_entries.size(); ++i) {
        SqlBatch::Entry &entry = batch.m_entries[i];
        entry.result = lost;
        entry.result.m_connectionLost = true;
        entry.rows.clear();
        entry.affected = 0;
        m_link.countLoss();
    }
}

bool Sql::readAnswer(Prepared &p, SqlBatch::Entry &entry)
{
    m_link.startCall();
    MYSQL *handle = db(m_link.handle());
    if (handle->methods->db_read_execute_response(p.stmt) != 0) {
        setStateFromStmt(p);
        return false;
    }
    if (p.columnCount == 0) {
        entry.affected = std::int64_t(mysql_stmt_affected_rows(p.stmt));
        setState(kSuccess, QString());
        return true;
    }
    // The library counts the rows of every answer a handle received since
    // its last execution was sent; with several executions of one handle
    // in flight that runs on across their answers.
    const my_ulonglong before = mysql_stmt_num_rows(p.stmt);
    if (mysql_stmt_bind_result(p.stmt, p.result.data()) != 0 || mysql_stmt_store_result(p.stmt) != 0) {
        setStateFromStmt(p);
        return false;
    }
    p.stored = true;
    entry.affected = std::int64_t(mysql_stmt_num_rows(p.stmt) - before);
    setState(entry.affected == 0 ? kNoData : kSuccess, entry.affected == 0 ? QStringLiteral("no data") : QString());
    if (entry.layout) {
        entry.rows.reserve(std::size_t(entry.affected));
        for (;;) {
            Record row(*entry.layout);
            const int rc = fetchInto(p, row);
            if (rc == -1)
                entry.fetchFailed = true;
            if (rc != 0)
                break;
            entry.rows.push_back(std::move(row));
        }
        if (m_status.result().noRow() && !entry.rows.empty())
            setState(kSuccess, QString());
    }
    if (entry.cursor && m_probe && injected(std::string("FETCH ") + entry.cursor)) {
        entry.rows.clear();
        entry.fetchFailed = true;
    }
    release(p);
    return true;
}

bool Sql::run(SqlBatch &batch)
{
    auto &entries = batch.m_entries;
    // Every entry starts unanswered, and again when the batch is sent anew.
    const auto unanswered = [&entries] {
        for (SqlBatch::Entry &entry : entries) {
            entry.result = SqlResult();
            entry.rows.clear();
            entry.affected = 0;
            entry.fetchFailed = false;
            entry.sent = false;
            entry.prepared = nullptr;
        }
    };
    unanswered();
    // One at a time, each answer read before the next leaves, is the same
    // code with chunks of one: the same outcomes by construction.
    const std::size_t chunkLimit = m_link.pipelining() ? kChunkExecutions : 1;
    std::size_t next = 0;
    bool connectedAgain = false;
    const std::int64_t lossesBefore = m_link.lostCount();
    while (next < entries.size()) {
        if (!ensureConnected()) {
            failRest(batch, next, m_status.result());
            break;
        }
        // Everything the chunk needs is prepared before any of it is sent:
        // a prepare reads its own answer, which must not be one of theirs.
        // An execution a test injects a failure into, or that cannot be
        // prepared, fails here and is not sent, as it would not be one by
        // one.
        const std::size_t first = next;
        std::size_t pending = 0;
        std::size_t bytes = 0;
        std::optional<std::size_t> lostAt;
        while (next < entries.size() && pending < chunkLimit && (pending == 0 || bytes < kChunkRequestBytes)) {
            SqlBatch::Entry &entry = entries[next];
            if (injected(entry.text)) {
                entry.result = m_status.result();
                ++next;
                continue;
            }
            Prepared *p = prepare(nullptr, entry.text);
            if (!p && m_status.result().connectionLost()) {
                lostAt = next;
                break;
            }
            ++next;
            if (!p || (entry.layout && !checkColumns(*p, *entry.layout))) {
                entry.result = m_status.result();
                continue;
            }
            entry.prepared = p;
            ++pending;
            bytes += requestBytes(entry.params);
        }
        if (lostAt) {
            // A connection that died while it sat idle is found by the first
            // prepare, before anything of the batch left. As the next single
            // statement would, the batch connects again once (the server
            // may also refuse this desk now, which is then what it is told),
            // unless a unit of work was open on the dead connection.
            if (!connectedAgain && first == 0 && pending == *lostAt && !inUnitOfWork()) {
                connectedAgain = true;
                // Found dead and replaced before it was needed: nothing this
                // batch asked for was lost.
                m_link.forgetLossesSince(lossesBefore);
                next = 0;
                continue;
            }
            failRest(batch, first, m_status.result());
            break;
        }

        // Send the chunk without waiting for answers. Whenever the
        // connection will not take another request at once (the server is
        // busy writing answers nobody reads yet), the answers already sent
        // for are read first, in order: neither side then waits on the
        // other with full buffers, however long the chunk.
        MYSQL *handle = db(m_link.handle());
        const int socket = int(mysql_get_socket(handle));
        bool lost = false;
        bool anySent = false;
        SqlResult lostResult;
        std::size_t answered = first; // the answers before it were read
        auto readNext = [&](std::size_t limit) {
            while (answered < limit && !entries[answered].sent)
                ++answered;
            if (answered >= limit)
                return false;
            SqlBatch::Entry &entry = entries[answered++];
            if (lost) {
                // The connection died under an earlier answer or a later
                // send: this execution's answer cannot be read.
                entry.result = lostResult;
                entry.result.m_connectionLost = true;
                m_link.countLoss();
                return true;
            }
            readAnswer(*static_cast<Prepared *>(entry.prepared), entry);
            entry.result = m_status.result();
            m_affected = entry.affected;
            if (m_status.result().connectionLost()) {
                lost = true;
                lostResult = m_status.result();
            }
            return true;
        };
        const my_bool skip = 1;
        mysql_optionsv(handle, MARIADB_OPT_SKIP_READ_RESPONSE, &skip);
        m_sendOnly = true;
        // Over TCP the requests are corked while the chunk is written, so
        // they leave in a few full segments instead of one small segment
        // each: the server's side acknowledges full segments at once, while
        // small ones wait for its delayed acknowledgement and fill this
        // side's buffer with unacknowledged data.
        cork(socket, true);
        constexpr int kAskEvery = 8;
        int sinceAsked = 0;
        for (std::size_t i = first; i < next && !lost; ++i) {
            SqlBatch::Entry &entry = entries[i];
            if (!entry.prepared)
                continue;
            // Asked every few requests only: a connection's buffers hold
            // hundreds of them, and asking costs a system call.
            if (++sinceAsked >= kAskEvery) {
                sinceAsked = 0;
                if (!writable(socket)) {
                    cork(socket, false);
                    while (!lost && !writable(socket) && readNext(i)) {
                    }
                    cork(socket, true);
                }
            }
            if (lost)
                break;
            if (m_probe)
                m_probe->sent(entry.text, entry.params);
            auto &p = *static_cast<Prepared *>(entry.prepared);
            if (bindAndSend(p, entry.params.data(), entry.params.size())) {
                entry.sent = true;
                anySent = true;
            } else {
                entry.result = m_status.result();
                if (m_status.result().connectionLost()) {
                    lost = true;
                    lostResult = m_status.result();
                }
            }
        }
        m_sendOnly = false;
        cork(socket, false);
        if (m_link.handle()) {
            const my_bool read = 0;
            mysql_optionsv(handle, MARIADB_OPT_SKIP_READ_RESPONSE, &read);
        }
        if (anySent)
            waited();
        // Prepared but never sent: the connection died first.
        for (std::size_t i = first; lost && i < next; ++i) {
            SqlBatch::Entry &entry = entries[i];
            if (entry.prepared && !entry.sent && !entry.result.failed()) {
                entry.result = lostResult;
                entry.result.m_connectionLost = true;
                m_link.countLoss();
            }
        }
        // The rest of the answers, in order, each wholly before the next.
        while (readNext(next)) {
        }
        if (lost && !connectedAgain && first == 0 && !inUnitOfWork() && entries[0].result.connectionLost()
            && std::all_of(entries.begin(), entries.end(),
                           [](const SqlBatch::Entry &e) { return e.text.substr(0, 6) == "SELECT"; })) {
            // The connection had died while idle and not one answer came:
            // reads only, outside any unit of work, so asking again on a
            // new connection is what the next single statement would do.
            connectedAgain = true;
            m_link.forgetLossesSince(lossesBefore);
            unanswered();
            next = 0;
            continue;
        }
        if (lost) {
            failRest(batch, next, lostResult);
            break;
        }
    }
    for (SqlBatch::Entry &entry : entries)
        entry.prepared = nullptr;
    if (const auto failure = batch.firstFailure()) {
        m_status.set(entries[*failure].result);
        return false;
    }
    if (!entries.empty())
        m_status.set(entries.back().result);
    return true;
}

const SqlResult &Sql::exec(std::string_view text, SqlParams in, Record *into)
{
    m_affected = 0;
    if (injected(text) || !ensureConnected())
        return m_status.result();
    Prepared *p = prepare(nullptr, text);
    if (!p)
        return m_status.result();
    if (into && !checkColumns(*p, into->layout()))
        return m_status.result();
    noteSent(text, in);
    if (!bindAndExecute(*p, in))
        return m_status.result();
    if (p->columnCount > 0) {
        if (into) {
            fetchInto(*p, *into);
        } else if (mysql_stmt_num_rows(p->stmt) == 0) {
            setState(kNoData, QStringLiteral("no data"));
        }
        release(*p);
    }
    return m_status.result();
}

const SqlResult &Sql::execRows(std::string_view text, SqlParams in, const Layout &layout, std::vector<Record> &rows,
                               int maxRows)
{
    rows.clear();
    m_affected = 0;
    if (injected(text) || !ensureConnected())
        return m_status.result();
    Prepared *p = prepare(nullptr, text);
    if (!p || !checkColumns(*p, layout))
        return m_status.result();
    noteSent(text, in);
    if (!bindAndExecute(*p, in))
        return m_status.result();
    while (int(rows.size()) < maxRows) {
        Record r(layout);
        const int rc = fetchInto(*p, r);
        if (rc != 0)
            break;
        rows.push_back(std::move(r));
    }
    if (!rows.empty() && m_status.result().answered())
        setState(kSuccess, QString());
    release(*p);
    return m_status.result();
}

const SqlResult &Sql::open(const char *cursor, std::string_view text, SqlParams in)
{
    m_affected = 0;
    m_cursors.erase(cursor);
    if (injected(text) || !ensureConnected())
        return m_status.result();
    Prepared *p = prepare(cursor, text);
    if (!p)
        return m_status.result();
    noteSent(text, in);
    if (!bindAndExecute(*p, in))
        return m_status.result();
    m_cursors[cursor] = p;
    return m_status.result();
}

const SqlResult &Sql::fetch(const char *cursor, Record &into)
{
    auto it = m_cursors.find(cursor);
    if (it == m_cursors.end() || !m_link.connected()) {
        setState(QStringLiteral("24000"), QStringLiteral("cursor %1 is not open").arg(QLatin1String(cursor)));
        return m_status.result();
    }
    if (m_probe && injected(std::string("FETCH ") + cursor))
        return m_status.result();
    Prepared &p = *it->second;
    if (!checkColumns(p, into.layout()))
        return m_status.result();
    fetchInto(p, into);
    return m_status.result();
}

const SqlResult &Sql::close(const char *cursor)
{
    auto it = m_cursors.find(cursor);
    if (it == m_cursors.end()) {
        setState(QStringLiteral("24000"), QStringLiteral("cursor %1 is not open").arg(QLatin1String(cursor)));
        return m_status.result();
    }
    if (m_link.connected() && it->second->stored)
        release(*it->second);
    m_cursors.erase(it);
    setState(kSuccess, QString());
    return m_status.result();
}

bool Sql::begin()
{
    if (!ensureConnected())
        return false;
    waited();
    if (mysql_autocommit(db(m_link.handle()), 0) != 0) {
        setStateFromConnection();
        return false;
    }
    setState(kSuccess, QString());
    return true;
}

bool Sql::commit()
{
    if (!m_link.connected()) {
        setState(QStringLiteral("08003"), QStringLiteral("connection lost before commit"));
        return false;
    }
    if (injected(kCommit)) {
        // Refused as a cluster refuses a conflicting write set: nothing of
        // the transaction stays.
        mysql_rollback(db(m_link.handle()));
        mysql_autocommit(db(m_link.handle()), 1);
        return false;
    }
    // Switching autocommit back on commits the open transaction in the
    // same exchange: one round trip instead of a COMMIT and then the
    // switch. When that commit fails (a lost conflict, a cluster's
    // certification) the server leaves autocommit off and says why; the
    // transaction is then rolled back before autocommit goes on, so
    // nothing of it is stored by the switch.
    waited();
    const bool committed = mysql_autocommit(db(m_link.handle()), 1) == 0;
    if (!committed) {
        setStateFromConnection();
        if (m_link.connected()) {
            waited(2);
            mysql_rollback(db(m_link.handle()));
            mysql_autocommit(db(m_link.handle()), 1);
        }
        return false;
    }
    setState(kSuccess, QString());
    return true;
}

bool Sql::rollback()
{
    if (!m_link.connected())
        return false; // the server rolled back when the connection dropped
    // The state of the statement that failed stays readable for the
    // caller's message: rolling back is not the news.
    waited(2);
    const bool done = mysql_rollback(db(m_link.handle())) == 0;
    mysql_autocommit(db(m_link.handle()), 1);
    return done;
}

} // namespace qv
