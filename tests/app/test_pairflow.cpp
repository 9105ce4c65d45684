#include "app/language.h"
#include "core/devicestore.h"
#include "log/coretext.h"
#include "log/log.h"
#include "app/pairflow.h"
#include "support/simulatedtvs.h"
#include "support/testenv.h"
#include "support/wait.h"
#include "protocol/ssaperror.h"
#include "app/terminal.h"
#include "core/tvsession.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTranslator>

using namespace std::chrono_literals;

namespace {

// Types one scripted line each time the flow asks for a PIN; then, if told to, ends the input.
// Piped: every line and the end arrive at once, before any question, as from a pipe.
class FakeTerminal : public Terminal {
public:
    QString output;
    QStringList typed;
    bool endAfterTyping = false;
    bool piped = false;

    void write(const QString &text) override
    {
        output += text;
        if (!text.contains(QLatin1String("Type")))
            return;
        std::optional<QString> next;
        if (!typed.isEmpty())
            next = typed.takeFirst();
        else if (!endAfterTyping)
            return;
        QTimer::singleShot(0, [this, next] {
            if (m_handler)
                m_handler(next);
        });
    }

    void setLineHandler(LineHandler handler) override
    {
        m_handler = std::move(handler);
        if (!piped || !m_handler)
            return;
        QTimer::singleShot(0, [this, lines = std::exchange(typed, {})] {
            for (const QString &line : lines)
                m_handler(line);
            m_handler(std::nullopt);
        });
    }

private:
    LineHandler m_handler;
};

const QString kOtherHost = QStringLiteral("127.0.29.9");

} // namespace

class TestPairFlow : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<DeviceStore> m_store;
    std::unique_ptr<TVSession> m_session;
    FakeTerminal m_terminal;
    QString m_otherID;

    void makeSession(std::chrono::milliseconds registerTimeout)
    {
        m_session = std::make_unique<TVSession>(m_store.get());
        TVSession::Timing timing;
        timing.helloTimeout = 1500ms;
        timing.registerTimeout = registerTimeout;
        m_session->setTiming(timing);
    }

    // Runs the flow to its end; the exit status, or -1 when it never ended.
    int runFlow(const QString &host, bool usePin, const std::function<void(PairFlow &)> &whileWaiting = {})
    {
        PairFlow flow(m_session.get(), &m_terminal);
        QSignalSpy finished(&flow, &PairFlow::finished);
        flow.start(host, usePin);
        if (whileWaiting) {
            if (!QTest::qWaitFor([&] { return m_terminal.output.contains(QLatin1String("Accept")); }, 5000))
                return -1;
            whileWaiting(flow);
        }
        if (finished.isEmpty() && !finished.wait(10000))
            return -1;
        return finished.first().first().toInt();
    }

    // A failed or cancelled attempt leaves the saved TVs exactly as they were.
    void verifyNothingChanged(const QString &host)
    {
        QCOMPARE(m_store->devices().size(), 1);
        QCOMPARE(m_store->selectedID(), std::optional<QString>(m_otherID));
        const DeviceStore reread(m_env->settingsFile());
        QCOMPARE(reread.devices().size(), 1);
        QVERIFY(reread.devices().first().host != host);
        QVERIFY(m_terminal.output.endsWith(QLatin1String("saved.\n")));
    }

    std::unique_ptr<QTranslator> m_english;

private Q_SLOTS:
    // The terminal in English, as under LANG=en_US.UTF-8.
    void initTestCase()
    {
        m_english = veltrix::translatorFor(veltrix::Language::english);
        QVERIFY(m_english);
        QCoreApplication::installTranslator(m_english.get());
    }

    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_store = std::make_unique<DeviceStore>(m_env->settingsFile());
        m_otherID = m_store->upsert(kOtherHost).id;
        m_store->setSelectedID(m_otherID);
        m_terminal = FakeTerminal();
        makeSession(120s);
    }

    void endsAsExpected_data()
    {
        QTest::addColumn<bool>("pinMode");
        QTest::addColumn<int>("approveDelayMs");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<bool>("endInput");
        QTest::addColumn<bool>("piped");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<int>("registerTimeoutMs");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");

        const QString timeout = QStringLiteral("failed: ") + veltrix::shownText(SSAPError::timeout().description());
        QTest::newRow("prompt accepted") << false << 30 << QStringList() << false << false << false << 120000 << 0
                                         << QStringLiteral("Accept the pairing request on the TV's screen.");
        QTest::newRow("prompt refused") << false << -1 << QStringList() << false << false << true << 120000 << 1
                                        << QStringLiteral("403 User denied access");
        QTest::newRow("prompt times out") << false << -1 << QStringList() << false << false << false << 400 << 1 << timeout;
        QTest::newRow("pin after a blank and a wrong one")
            << true << 0 << QStringList{QString(), QStringLiteral("00000000"), QStringLiteral(" 12345678\t")} << false << false
            << false << 120000 << 0 << QStringLiteral("The TV did not accept that PIN (Invalid PIN). Type it again: ");
        QTest::newRow("pin piped in, input ends at once")
            << true << 0 << QStringList{QStringLiteral("00000000"), QStringLiteral("12345678")} << true << true
            << false << 120000 << 0 << QStringLiteral("(Invalid PIN)");
        QTest::newRow("pin never typed") << true << 0 << QStringList() << true << false << false << 120000 << 1
                                         << QStringLiteral("the input ended before a PIN was typed");
        QTest::newRow("pin times out") << true << 0 << QStringList() << false << false << false << 400 << 1 << timeout;
    }

    void endsAsExpected()
    {
        QFETCH(bool, pinMode);
        QFETCH(int, approveDelayMs);
        QFETCH(QStringList, typed);
        QFETCH(bool, endInput);
        QFETCH(bool, piped);
        QFETCH(bool, refuse);
        QFETCH(int, registerTimeoutMs);
        QFETCH(int, status);
        QFETCH(QString, said);

        SimulatedTV::Options options;
        options.address = QHostAddress(QStringLiteral("127.0.29.2"));
        options.pairing = pinMode ? SimulatedTV::Pairing::Pin : SimulatedTV::Pairing::Prompt;
        options.approveDelayMs = approveDelayMs;
        TestTV tv(options);
        makeSession(std::chrono::milliseconds(registerTimeoutMs));
        m_terminal.typed = typed;
        m_terminal.endAfterTyping = endInput;
        m_terminal.piped = piped;

        const auto whileWaiting = refuse ? std::function<void(PairFlow &)>([&tv](PairFlow &) { tv.reject(); })
                                         : std::function<void(PairFlow &)>();
        QCOMPARE(runFlow(tv.host(), pinMode, whileWaiting), status);
        QVERIFY2(m_terminal.output.contains(said), qPrintable(m_terminal.output));
        if (status != 0) {
            verifyNothingChanged(tv.host());
            return;
        }
        const std::optional<TVDevice> selected = DeviceStore(m_store->settingsFileName()).selectedDevice();
        QVERIFY(selected);
        QCOMPARE(selected->host, tv.host());
        QVERIFY(selected->clientKey && tv.clientKeys().contains(*selected->clientKey));
        QCOMPARE(selected->certFingerprint, std::optional<QString>(tv.certificateFingerprint()));
        QVERIFY(m_terminal.output.contains(QStringLiteral("; it is now the selected TV.\n")));
    }

    void changedCertificateIsNamedAndTheRecordKept()
    {
        SimulatedTV::Options options;
        options.address = QHostAddress(QStringLiteral("127.0.29.3"));
        options.certificate = SimulatedTV::Certificate::A;
        options.knownClientKeys = {QStringLiteral("key-1")};
        TestTV tv(options);
        TVDevice record = m_store->upsert(tv.host());
        record.clientKey = QStringLiteral("key-1");
        record.certFingerprint = SimulatedTV::fingerprintOf(SimulatedTV::Certificate::B);
        m_store->update(record);

        QCOMPARE(runFlow(tv.host(), false), int(PairFlow::failed));
        QVERIFY(m_terminal.output.contains(QStringLiteral("failed: The TV certificate has changed; remove the TV and pair again")));
        QVERIFY(m_terminal.output.contains(QLatin1String("another certificate")));
        QCOMPARE(m_store->device(record.id)->certFingerprint, record.certFingerprint);
        QCOMPARE(m_store->device(record.id)->clientKey, record.clientKey);
        QCOMPARE(m_store->selectedID(), std::optional<QString>(m_otherID));
    }

    void nothingListeningFailsAndKeepsTheSelection()
    {
        QCOMPARE(runFlow(QStringLiteral("127.0.29.4"), false), int(PairFlow::failed));
        QVERIFY(m_terminal.output.contains(QLatin1String("Pairing with 127.0.29.4 failed: ")));
        verifyNothingChanged(QStringLiteral("127.0.29.4"));
    }

    void interruptionCancels()
    {
        SimulatedTV::Options options;
        options.address = QHostAddress(QStringLiteral("127.0.29.5"));
        options.approveDelayMs = -1;
        TestTV tv(options);
        QCOMPARE(runFlow(tv.host(), false, [](PairFlow &flow) { flow.interrupt(); }), int(PairFlow::interrupted));
        QVERIFY(m_terminal.output.contains(QLatin1String("Pairing cancelled; nothing was saved.")));
        verifyNothingChanged(tv.host());
        QVERIFY(tv.clientKeys().isEmpty());
    }

    void cleanup()
    {
        m_session.reset();
        settle();  // queued resumptions of the closed clients
        m_store.reset();
        m_env.reset();
    }
};

QTEST_GUILESS_MAIN(TestPairFlow)
#include "test_pairflow.moc"
