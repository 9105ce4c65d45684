// The client's screenshot operation against the simulated TV: every download limit, the
// address check on what the TV answers, error pass-through and the pinned certificate.
#include "log/log.h"
#include "protocol/screenshot.h"
#include "support/simulatedtvs.h"
#include "support/testenv.h"
#include "protocol/ssapclient.h"

#include <QImage>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;
using Mode = SimulatedTV::ScreenshotMode;

namespace {

const QString kHost = QStringLiteral("127.0.16.2");

struct Outcome {
    bool done = false;
    QByteArray bytes;
    QString error; // description of the failure, empty on success
    std::optional<ScreenshotError::Kind> screenshotError;
    std::optional<SSAPError::Kind> ssapError;
};

QCoro::Task<> drive(QPointer<SSAPClient> client, QString host, std::shared_ptr<Outcome> out)
{
    try {
        out->bytes = co_await captureScreenshot(client, host);
    } catch (const ScreenshotError &e) {
        out->screenshotError = e.kind();
        out->error = e.description();
    } catch (const SSAPError &e) {
        out->ssapError = e.kind();
        out->error = e.description();
    } catch (const std::exception &e) {
        out->error = QString::fromUtf8(e.what());
    }
    out->done = true;
}

QCoro::Task<> connectClient(SSAPClient *client, QString host, std::shared_ptr<QString> failure,
                            std::shared_ptr<bool> done)
{
    try {
        co_await client->connect(host);
    } catch (const SSAPError &e) {
        *failure = e.description();
    }
    *done = true;
}

} // namespace

class TestScreenshotCapture : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SimulatedTV> m_tv;
    std::unique_ptr<SSAPClient> m_client;
    TestEnv m_env;

    std::unique_ptr<SSAPClient> connected(const std::optional<QString> &pin)
    {
        auto client = std::make_unique<SSAPClient>(pin);
        auto failure = std::make_shared<QString>();
        auto done = std::make_shared<bool>(false);
        connectClient(client.get(), kHost, failure, done);
        if (!QTest::qWaitFor([&] { return *done; }, 10000) || !failure->isEmpty()) {
            qWarning("connect failed: %s", qPrintable(*failure));
            return nullptr;
        }
        return client;
    }

    std::shared_ptr<Outcome> capture(SSAPClient *client, const QString &host = kHost)
    {
        auto out = std::make_shared<Outcome>();
        drive(client, host, out);
        QTest::qWaitFor([&] { return out->done; }, 20000);
        return out;
    }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void limits_data();
    void limits();
    void requestIsUncached();
    void badImageUri_data();
    void badImageUri();
    void requestErrorPassesThrough();
    void downloadHonoursThePin();
    void clientGoneMeanwhile();
};

void TestScreenshotCapture::initTestCase()
{
    SimulatedTV::Options options;
    options.address = QHostAddress(kHost);
    m_tv = std::make_unique<TestTV>(options);
    m_client = connected(std::nullopt);
    QVERIFY(m_client);
}

void TestScreenshotCapture::init()
{
    m_tv->resetScripts();
    m_tv->setImageUriOverride(QString());
    m_tv->setScreenshotMode(Mode::Ok);
    m_tv->clearRecord();
}

void TestScreenshotCapture::cleanupTestCase()
{
    m_client.reset();
    m_tv.reset();
}

void TestScreenshotCapture::limits_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("expectedSize"); // -1: failure expected
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("decodes");

    QTest::newRow("ok") << Mode::Ok << 0 << QString() << true;
    QTest::newRow("exactly 4 MiB streamed") << Mode::ExactLimitBody << 4194304 << QString() << true;
    QTest::newRow("one byte over") << Mode::OversizeBody << -1 << QStringLiteral("电视截图超出大小限制") << false;
    QTest::newRow("announces 5000000") << Mode::AnnounceHuge << -1 << QStringLiteral("电视截图超出大小限制") << false;
    QTest::newRow("404") << Mode::NotFound << -1 << QStringLiteral("电视截图下载失败") << false;
    QTest::newRow("garbage") << Mode::Garbage << 0 << QString() << false;
}

void TestScreenshotCapture::limits()
{
    QFETCH(Mode, mode);
    QFETCH(int, expectedSize);
    QFETCH(QString, error);
    QFETCH(bool, decodes);

    m_tv->setScreenshotMode(mode);
    const auto out = capture(m_client.get());
    QVERIFY(out->done);
    // A refused size is named as such: waiting for the time-out would name the time-out.
    QCOMPARE(out->error, error);
    if (expectedSize < 0)
        return;
    if (expectedSize > 0)
        QCOMPARE(out->bytes.size(), expectedSize);

    QImage image;
    QCOMPARE(image.loadFromData(out->bytes), decodes);
    if (decodes)
        QCOMPARE(image.size(), QSize(1920, 1080));
}

void TestScreenshotCapture::requestIsUncached()
{
    const auto out = capture(m_client.get());
    QVERIFY2(out->error.isEmpty(), qPrintable(out->error));
    QCOMPARE(m_tv->requestCount(QStringLiteral("tv/executeOneShot")), 1);
    QCOMPARE(m_tv->lastPayload(QStringLiteral("tv/executeOneShot")), QJsonObject());
    const auto requests = m_tv->httpRequests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].method, QStringLiteral("GET"));
    QVERIFY(requests[0].path.startsWith(QStringLiteral("/resources/")));
    bool noCache = false;
    for (const auto &header : requests[0].headers)
        noCache |= header.first == "cache-control" && header.second == "no-cache";
    QVERIFY(noCache);

    // Two captures fetch twice: nothing is served from a cache.
    QVERIFY(capture(m_client.get())->error.isEmpty());
    QCOMPARE(m_tv->httpRequests().size(), 2);
}

void TestScreenshotCapture::badImageUri_data()
{
    QTest::addColumn<QJsonObject>("reply");
    const QString base = QStringLiteral("https://") + kHost;
    auto uri = [](const QString &text) { return QJsonObject{{QStringLiteral("imageUri"), text}}; };

    QTest::newRow("missing") << QJsonObject();
    QTest::newRow("not text") << QJsonObject{{QStringLiteral("imageUri"), 5}};
    QTest::newRow("other host") << uri(QStringLiteral("https://127.0.16.3:3001/resources/a.jpg"));
    QTest::newRow("port 3000") << uri(base + QStringLiteral(":3000/resources/a.jpg"));
    QTest::newRow("http") << uri(QStringLiteral("http://") + kHost + QStringLiteral(":3001/resources/a.jpg"));
    QTest::newRow("outside resources") << uri(base + QStringLiteral(":3001/private/a.jpg"));
    QTest::newRow("user name") << uri(QStringLiteral("https://tv@") + kHost + QStringLiteral(":3001/resources/a.jpg"));
    QTest::newRow("fragment") << uri(base + QStringLiteral(":3001/resources/a.jpg#x"));
}

void TestScreenshotCapture::badImageUri()
{
    QFETCH(QJsonObject, reply);
    m_tv->replyWith(QStringLiteral("tv/executeOneShot"), reply);
    const auto out = capture(m_client.get());
    QCOMPARE(out->screenshotError, std::optional(ScreenshotError::Kind::invalidURL));
    QCOMPARE(out->error, QStringLiteral("电视返回了无效的截图地址"));
    // Nothing is fetched from an address that failed the check.
    QCOMPARE(m_tv->httpRequests().size(), 0);
}

void TestScreenshotCapture::requestErrorPassesThrough()
{
    m_tv->failWith(QStringLiteral("tv/executeOneShot"), QStringLiteral("500 Application error"));
    auto out = capture(m_client.get());
    QCOMPARE(out->ssapError, std::optional(SSAPError::Kind::server));
    QCOMPARE(out->error, QStringLiteral("500 Application error"));

    out = capture(nullptr);
    QCOMPARE(out->ssapError, std::optional(SSAPError::Kind::notConnected));
    QCOMPARE(out->error, QStringLiteral("未连接电视"));
}

void TestScreenshotCapture::downloadHonoursThePin()
{
    // Pinned to certificate A; the TV then serves B on new connections, which includes the
    // HTTPS download even though the control socket stays up.
    auto pinned = connected(SimulatedTV::fingerprintOf(SimulatedTV::Certificate::A));
    QVERIFY(pinned);
    m_tv->setCertificate(SimulatedTV::Certificate::B);
    const auto out = capture(pinned.get());
    m_tv->setCertificate(SimulatedTV::Certificate::A);
    QVERIFY(out->bytes.isEmpty());
    QCOMPARE(out->ssapError, std::optional(SSAPError::Kind::transport));
    QVERIFY(!out->error.isEmpty());
    QCOMPARE(pinned->tls()->observedFingerprint(),
             std::optional(SimulatedTV::fingerprintOf(SimulatedTV::Certificate::B)));
}

void TestScreenshotCapture::clientGoneMeanwhile()
{
    // The client is destroyed while the TV has not answered: the capture ends once, with an
    // error, and touches nothing freed.
    auto doomed = connected(std::nullopt);
    QVERIFY(doomed);
    m_tv->neverAnswer(QStringLiteral("tv/executeOneShot"));
    auto out = std::make_shared<Outcome>();
    drive(doomed.get(), kHost, out);
    QTRY_COMPARE(m_tv->requestCount(QStringLiteral("tv/executeOneShot")), 1);
    QVERIFY(!out->done);
    doomed.reset();
    QTRY_VERIFY(out->done);
    QVERIFY(out->ssapError.has_value());
    QVERIFY(out->bytes.isEmpty());
}

QTEST_GUILESS_MAIN(TestScreenshotCapture)
#include "test_screenshotcapture.moc"
