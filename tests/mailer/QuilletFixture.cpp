#include "tests/mailer/QuilletFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "mailer/Dstppf.h"
#include "platform/files/Files.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/StdCtrls.h"

std::unique_ptr<TMainForm> QuilletFixture::Open(const std::string& argument) {
  SetProgramArguments({"quillet", argument});
  return std::make_unique<TMainForm>(nullptr);
}

std::string QuilletFixture::PPPath() const { return platform::ProgramPath(PostPetDir()); }

void QuilletFixture::MakeSendBook() const {
  std::filesystem::create_directory(platform::NativePath(PPPath() + "\\送信フォルダ"));
}

std::string QuilletFixture::SendMailPath() const {
  return platform::NativePath(PPPath() + "\\送信フォルダ\\送信メール.ppm");
}

std::string QuilletFixture::SendListPath() const {
  return platform::NativePath(PPPath() + "\\送信フォルダ\\送信リスト.ppl");
}

void QuilletFixture::AnswerFolder(const std::string& folder) {
  driver.FormAnswers.push_back([folder](TForm& shown) {
    auto& chooser = dynamic_cast<TDstPPFDlg&>(shown);
    chooser.PPFList->SetText(folder);
    chooser.OkBtn->Click();
  });
}

void QuilletFixture::WriteNative(const std::string& nativePath, const std::string& bytes) {
  std::ofstream(nativePath, std::ios::binary) << bytes;
}

std::string QuilletFixture::ReadNative(const std::string& nativePath) {
  std::ifstream in(nativePath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string QuilletFixture::ScreenshotPath(const std::string& name) const {
  const char* folder = std::getenv("MARROWKIT_SCREENS_DIR");
  return (folder && *folder ? std::string(folder) : Root()) + "/" + name;
}
