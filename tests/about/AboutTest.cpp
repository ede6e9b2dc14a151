#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "QtPrinters.h"
#include "about/About.h"

namespace nimbrel::about {
namespace {

TVersionBlock TestBlock(const QString& webSite) {
  TVersionBlock block;
  block.fixed = {0x00010004u, 0x0000000Cu, 0x00010004u, 0x0000000Cu};
  block.translations = {{0, 0}};
  const std::pair<const char*, QString> values[] = {
      {"ProductName", "TestProduct"},
      {"LegalCopyright", "Copyright (c) 2026 Corvane"},
      {"Comments", "2026-01-02"},
      {"Web site", webSite},
  };
  for (const auto& [key, value] : values) {
    block.strings.push_back({"040904E4", key, value});
  }
  return block;
}

QString ExecutableName() {
  return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

// An About box whose link reports to a list instead of starting a browser.
struct RecordingBox {
  explicit RecordingBox(std::optional<TVersionBlock> block) : box(std::move(block)) {
    box.SetUrlOpener([this](const QUrl& url) {
      opened.push_back(url.toString());
      return true;
    });
  }
  TAboutBoxCVN1 box;
  std::vector<QString> opened;
};

TEST(Caption, EndsInTheFileVersion) {
  const QString designed = "NimbrelGL - simple 3D satellite tracker by Corvane";
  TVersionInfoResource numbers(TestBlock(""));
  EXPECT_EQ(CaptionWithVersion(designed, numbers), designed + " - 1.4.0.12");
  TVersionBlock withText = TestBlock("");
  withText.strings.push_back({"040904e4", "FileVersion", "1.4.0.13"});
  TVersionInfoResource text(withText);
  EXPECT_EQ(CaptionWithVersion(designed, text), designed + " - 1.4.0.13");

  TVersionInfoResource program;
  EXPECT_EQ(CaptionWithVersion(designed, program), designed + " - " + program.FileVersionText());
}

TEST(WebSiteLink, AddressGetsHttpOnlyWhenItNamesNoScheme) {
  struct Case {
    QString text;
    QString expected;
  };
  const Case cases[] = {
      {"", ""},
      {"   ", ""},
      {"www.corvane.example", "http://www.corvane.example"},
      {"corvane.example/nimbrelgl/", "http://corvane.example/nimbrelgl/"},
      {"http://www.corvane.example", "http://www.corvane.example"},
      {"https://www.corvane.example/x", "https://www.corvane.example/x"},
      {"HTTPS://WWW.CORVANE.EXAMPLE", "HTTPS://WWW.CORVANE.EXAMPLE"},
      {"ftp://ftp.corvane.example/pub", "ftp://ftp.corvane.example/pub"},
      {"mailto:nimbrel@corvane.example", "mailto:nimbrel@corvane.example"},
      {"see http://www.corvane.example", "see http://www.corvane.example"},
      // A host with a port is not a scheme.
      {"localhost:8080", "http://localhost:8080"},
      {"corvane.example:8080/nimbrelgl", "http://corvane.example:8080/nimbrelgl"},
      {"  www.corvane.example\n", "http://www.corvane.example"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WebSiteAddress(c.text), c.expected) << "text: " << c.text.toStdString();
  }
}

TEST(WebSiteLink, ClickOpensTheAddress) {
  struct Case {
    QString webSite;
    std::vector<QString> expected;
  };
  const Case cases[] = {
      {"www.corvane.example", {"http://www.corvane.example"}},
      {"https://www.corvane.example/nimbrelgl/", {"https://www.corvane.example/nimbrelgl/"}},
      {"http://www.corvane.example", {"http://www.corvane.example"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    RecordingBox recording(TestBlock(c.webSite));
    recording.box.show();
    QTest::mouseClick(recording.box.WebSite(), Qt::LeftButton);
    EXPECT_EQ(recording.opened, c.expected) << "web site: " << c.webSite.toStdString();
    // Another button does nothing.
    QTest::mouseClick(recording.box.WebSite(), Qt::RightButton);
    EXPECT_EQ(recording.opened.size(), c.expected.size());
  }
}

TEST(WebSiteLink, OpenerFailuresStayInside) {
  TAboutBoxCVN1 box(TestBlock("www.corvane.example"));
  box.FormShow();
  int calls = 0;
  box.SetUrlOpener([&calls](const QUrl&) -> bool {
    ++calls;
    throw std::runtime_error("no browser");
  });
  EXPECT_NO_THROW(box.WebSiteClick());
  box.SetUrlOpener([&calls](const QUrl&) {
    ++calls;
    return false;
  });
  EXPECT_NO_THROW(box.WebSiteClick());
  box.SetUrlOpener(nullptr);
  EXPECT_NO_THROW(box.WebSiteClick());
  EXPECT_EQ(calls, 2);
}

TEST(AboutBox, ShowsTheVersionInformation) {
  RecordingBox recording(TestBlock("www.corvane.example"));
  TAboutBoxCVN1& box = recording.box;
  // Filled from the block as soon as the box exists.
  EXPECT_EQ(box.ProductName()->text(), "TestProduct");
  EXPECT_EQ(box.Copyright()->text(), "Copyright (c) 2026 Corvane");
  EXPECT_EQ(box.windowTitle(), "About");

  box.show();
  EXPECT_EQ(box.windowTitle(), "About Corvane's TestProduct");
  EXPECT_EQ(box.Version()->text(), ExecutableName() + ", V1.4.0.12, 2026-01-02");
  EXPECT_EQ(box.WebSite()->text(), "www.corvane.example");
  EXPECT_FALSE(box.Comments()->text().isEmpty());
  EXPECT_FALSE(box.ProgramIcon()->pixmap().isNull());
  EXPECT_EQ(box.OKButton()->text(), "OK");
  EXPECT_TRUE(box.OKButton()->isDefault());
  EXPECT_GE(box.width(), TAboutBox::kClientWidth);
  EXPECT_GE(box.height(), TAboutBox::kClientHeight);
  EXPECT_EQ(box.VI()->CopyrightLabel(), box.Copyright());
  EXPECT_EQ(box.VI()->ProductLabel(), box.ProductName());

  // The parts a form definition would name can be found by those names.
  for (const char* name :
       {"Panel1", "ProgramIcon", "ProductName", "Version", "Copyright", "Comments", "WebSite"}) {
    EXPECT_NE(box.findChild<QWidget*>(name), nullptr) << name;
  }
  EXPECT_NE(box.findChild<TVersionInfoResource*>("VI"), nullptr);
  box.close();
}

TEST(AboutBox, LinkLooksLikeALink) {
  TAboutBoxCVN1 box(TestBlock("www.corvane.example"));
  QLabel* link = box.WebSite();
  EXPECT_TRUE(link->font().underline());
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 128));
  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(link->alignment() & Qt::AlignRight);
  // What the user sees: navy pixels where the link is drawn.
  box.FormShow();
  box.show();
  const QImage image = box.grab().toImage();
  const QRect linkArea(link->mapTo(&box, QPoint(0, 0)) * image.devicePixelRatio(),
                       link->size() * image.devicePixelRatio());
  int navy = 0;
  for (int y = linkArea.top(); y <= linkArea.bottom(); ++y) {
    for (int x = linkArea.left(); x <= linkArea.right(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      navy += pixel.blue() > 90 && pixel.red() < 60 && pixel.green() < 60;
    }
  }
  EXPECT_GT(navy, 20);
  box.close();
}

TEST(AboutBox, OkAndEscapeCloseWithTheOkResult) {
  for (const bool useEscape : {false, true}) {
    TAboutBoxCVN1 box(TestBlock(""));
    box.show();
    if (useEscape) {
      QTest::keyClick(&box, Qt::Key_Escape);
    } else {
      QTest::mouseClick(box.OKButton(), Qt::LeftButton);
    }
    EXPECT_FALSE(box.isVisible()) << (useEscape ? "Escape" : "OK");
    EXPECT_EQ(box.result(), QDialog::Accepted) << (useEscape ? "Escape" : "OK");
  }
}

TEST(AboutBox, OpensWithoutVersionInformation) {
  RecordingBox recording(std::nullopt);
  TAboutBoxCVN1& box = recording.box;
  box.show();
  EXPECT_EQ(box.windowTitle(), "About Corvane's ");
  EXPECT_EQ(box.ProductName()->text(), "");
  EXPECT_EQ(box.Copyright()->text(), "");
  EXPECT_EQ(box.Version()->text(), ExecutableName() + ", V, ");
  EXPECT_EQ(box.WebSite()->text(), "");
  QTest::mouseClick(box.WebSite(), Qt::LeftButton);
  EXPECT_TRUE(recording.opened.empty());
  box.close();
}

TEST(AboutBox, ShownAgainItRefreshesTheVersionLine) {
  RecordingBox recording(TestBlock("www.corvane.example"));
  TAboutBoxCVN1& box = recording.box;
  box.show();
  box.close();
  // A later read changes what the next showing puts in the version line and the link.
  box.VI()->Read(TestBlock("https://corvane.example/new"));
  box.show();
  EXPECT_EQ(box.WebSite()->text(), "https://corvane.example/new");
  QTest::mouseClick(box.WebSite(), Qt::LeftButton);
  EXPECT_EQ(recording.opened, std::vector<QString>{"https://corvane.example/new"});
  box.close();
}

TEST(AboutBox, TheProgramBoxUsesTheProgramBlock) {
  TAboutBoxCVN1 box;
  box.FormShow();
  EXPECT_EQ(box.windowTitle(), "About Corvane's NimbrelGL");
  EXPECT_EQ(box.ProductName()->text(), "NimbrelGL");
  EXPECT_TRUE(
      box.Version()->text().startsWith(ExecutableName() + ", V" + box.VI()->FileVersionText() + ", "));
  EXPECT_FALSE(box.WebSite()->text().isEmpty());
  // A picture of the box for a person to look at.
  if (const char* path = std::getenv("NIMBREL_ABOUT_SNAPSHOT")) {
    box.show();
    EXPECT_TRUE(box.grab().save(QString::fromLocal8Bit(path)));
    box.close();
  }
}

}  // namespace
}  // namespace nimbrel::about
