#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTextStream>

// halvora-screen-image <drawing.svg> <picture.png|picture.ico>
// Renders a drawing at the pixel size it declares and writes it in the format named
// by the picture's suffix.
int main(int argc, char *argv[])
{
    // The drawings hold no text, so no display or fonts are needed.
    QCoreApplication application(argc, argv);
    QTextStream errors(stderr);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        errors << "usage: halvora-screen-image <drawing.svg> <picture>\n";
        return 2;
    }
    QImageReader reader(arguments.at(1));
    QImage picture = reader.read();
    if (picture.isNull()) {
        errors << "Could not render " << arguments.at(1) << ": " << reader.errorString() << "\n";
        return 1;
    }
    QImageWriter writer(arguments.at(2));
    if (!writer.write(picture.convertToFormat(QImage::Format_ARGB32))) {
        errors << "Could not write " << arguments.at(2) << ": " << writer.errorString() << "\n";
        return 1;
    }
    return 0;
}
