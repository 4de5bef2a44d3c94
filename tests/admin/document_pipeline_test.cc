#include "admin/document_pipeline.h"

#include <gtest/gtest.h>

#include "backend/document_data.h"
#include "temp_tree.h"

namespace zeb::admin {
namespace {

class Pipeline : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 100; ++i) {
      const std::string path = "d/page" + std::to_string(1000 + i) + ".html";
      if (i != 42) tree_.write(path, "<title>Page " + std::to_string(i) + "</title>text");
      files_.push_back({path, 1, 1, DocumentKind::kHtml});
    }
    for (const auto& file : files_) pointers_.push_back(&file);
  }

  testing_support::TempTree tree_;
  std::vector<TreeFile> files_;
  std::vector<const TreeFile*> pointers_;
};

TEST_F(Pipeline, DocumentsComeOutInOrderUnreadableOnesWithTheirError) {
  DocumentPipeline pipeline(tree_.path(), pointers_);
  BuiltDocument built;
  size_t taken = 0;
  while (pipeline.next(built)) {
    ASSERT_LT(taken, files_.size());
    EXPECT_EQ(built.file, &files_[taken]);
    if (taken == 42) {
      EXPECT_FALSE(built.ok);
      EXPECT_NE(built.error.find("page1042.html"), std::string::npos) << built.error;
    } else {
      ASSERT_TRUE(built.ok) << built.error;
      EXPECT_EQ(backend::identifier_of(built.document.get_data()),
                files_[taken].path + ";Page " + std::to_string(taken));
    }
    ++taken;
  }
  EXPECT_EQ(taken, files_.size());
  EXPECT_FALSE(pipeline.next(built));
}

TEST_F(Pipeline, ItStopsWhenDroppedHalfWay) {
  BuiltDocument built;
  {
    DocumentPipeline pipeline(tree_.path(), pointers_);
    ASSERT_TRUE(pipeline.next(built));
  }
  EXPECT_EQ(built.file, &files_[0]);
  DocumentPipeline nothing(tree_.path(), {});
  EXPECT_FALSE(nothing.next(built));
}

}  // namespace
}  // namespace zeb::admin
