#include "window_fixture.h"

#include <QThread>
#include <QtTest>
#include <fstream>
#include <sstream>

namespace quorvane::test {

WindowFixture::WindowFixture() {
  WindowDeps deps;
  deps.showMsg = [this](QWidget*, const QString& text) {
    msgsOnGuiThread = msgsOnGuiThread && QThread::currentThread() == qApp->thread();
    msgs.push_back(text.toStdString());
    if (onMsg) onMsg(text.toStdString());
  };
  deps.openFile = [this](QWidget*, const std::string& folder) {
    fileFolders.push_back(folder);
    if (onFileDialog) onFileDialog();
    if (fileAnswers.empty()) return std::optional<std::string>();
    std::optional<std::string> answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
  };
  deps.showDir = [this](TFmDir& chooser) {
    ++chooserShown;
    if (onChooser) onChooser(chooser);
  };
  deps.ask = [this](QWidget*, const QString& question) {
    questions.push_back(question.toStdString());
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  };
  deps.shell = &shell;
  fm = std::make_unique<TFmTrelvix>(ProgramPath{exeDir.path().toStdString() + "/", "quorvane"}, deps);
  dir = std::make_unique<TFmDir>(std::vector<std::string>{"/", dataDir.path().toStdString()});
  fm->SetChooser(dir.get());
}

WindowFixture::~WindowFixture() {
  dir.reset();
  fm.reset();
}

std::string WindowFixture::Exe(const std::string& name) const { return exeDir.path().toStdString() + "/" + name; }

std::string WindowFixture::Data(const std::string& name) const { return dataDir.path().toStdString() + "/" + name; }

void WindowFixture::ShowAndActivate() {
  fm->show();
  QVERIFY(QTest::qWaitForWindowExposed(fm.get()));
  QTRY_VERIFY(!fm->BxProcNm->Caption().isEmpty());
}

bool WriteBytes(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return static_cast<bool>(out);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Click(QWidget* w, QPoint pos) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, pos); }

void DoubleClick(QWidget* w, QPoint pos) {
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, pos);
  QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, pos);
  QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, pos);
}

}  // namespace quorvane::test
