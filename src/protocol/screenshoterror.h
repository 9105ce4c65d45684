#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Failures of one screenshot capture. description() is the text shown to the user; what()
// is the same text in UTF-8.
class ScreenshotError : public std::exception {
public:
    enum class Kind {
        invalidURL,  // "电视返回了无效的截图地址"
        download,    // "电视截图下载失败"
        tooLarge,    // "电视截图超出大小限制"
        decode,      // "无法解码电视截图"
    };

    explicit ScreenshotError(Kind kind);

    static ScreenshotError invalidURL() { return ScreenshotError(Kind::invalidURL); }
    static ScreenshotError download() { return ScreenshotError(Kind::download); }
    static ScreenshotError tooLarge() { return ScreenshotError(Kind::tooLarge); }
    static ScreenshotError decode() { return ScreenshotError(Kind::decode); }

    Kind kind() const { return m_kind; }
    QString description() const;
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const ScreenshotError &other) const { return m_kind == other.m_kind; }

private:
    Kind m_kind;
    QByteArray m_what;
};
