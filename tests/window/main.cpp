// The window tests' entry: one QApplication for every test, offscreen unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

namespace {

QtMessageHandler standardHandler = nullptr;

// The offscreen platform warns once per window that it cannot pass size hints on; nothing
// here depends on them.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints"))) return;
    if (standardHandler) standardHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    standardHandler = qInstallMessageHandler(QuietHandler);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vesperine"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
