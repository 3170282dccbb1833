// Reading and writing scene descriptions: TResourceLoader holds one INI
// document (from a file, from an embedded resource, or being written),
// creates objects by their type names and walks lists of children.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "gl/GLTypes.h"
#include "scene/SceneIni.h"
#include "scene/SceneObjects.h"

namespace emberhall {

// FileName itself when it has a folder part (up to a last "\", "/" or ":"),
// else BasePath followed directly by FileName.
std::string CombinePath(const std::string& BasePath, const std::string& FileName);
// Descriptions carry Windows paths; files are opened with every "\" made "/".
std::string NativePath(std::string Path);
// The part after the last "\", "/" or ":", its first "." made "_".
std::string ResourceNameOf(const std::string& FileName);

class TResourceLoader {
 public:
  // Sources larger than this are refused (a description is a few kilobytes).
  static constexpr size_t MaxSourceBytes = 16 * 1024 * 1024;
  // Lists inside lists, and descriptions naming further descriptions, deeper
  // than this are refused.
  static constexpr int MaxNesting = 64;

  TResourceLoader() = default;
  TResourceLoader(const TResourceLoader&) = delete;
  TResourceLoader& operator=(const TResourceLoader&) = delete;
  ~TResourceLoader();

  // Reads the source (file or resource) into a new document.
  void Open();
  // Reads the source from these bytes instead (as a file's contents).
  void OpenBytes(std::span<const uint8_t> Bytes);
  void NewDocument();
  // Saves a document begun with NewDocument; then drops the document.
  void Close();
  void SaveDocument();
  bool HasDocument() const { return FIni != nullptr; }
  const TIniDocument* Ini() const { return FIni.get(); }

  bool ReadBool(const std::string& Key, bool Default);
  int32_t ReadInteger(const std::string& Key, int32_t Default);
  float ReadFloat(const std::string& Key, float Default);
  // A key present with an empty value reads as " ".
  std::string ReadString(const std::string& Key, const std::string& Default);
  TGLColor ReadColor(const std::string& Key, const TGLColor& Default);
  TGLPackedColor ReadColorBytes(const std::string& Key, TGLPackedColor Default);
  TGLVector ReadVector(const std::string& Key, const TGLVector& Default);
  TMainObject* ReadReference(const std::string& Key, TMainObject* Default);
  std::string ReadPath(const std::string& Key, const std::string& BasePath, const std::string& Default);

  void WriteBool(const std::string& Key, bool Value);
  void WriteInteger(const std::string& Key, int32_t Value);
  void WriteFloat(const std::string& Key, float Value);
  void WriteString(const std::string& Key, const std::string& Value);
  void WriteColor(const std::string& Key, const TGLColor& Value);
  void WriteColorBytes(const std::string& Key, TGLPackedColor Value);
  void WriteVector(const std::string& Key, const TGLVector& Value);
  void WriteReference(const std::string& Key, TMainObject* Obj);
  void WritePath(const std::string& Key, const std::string& BasePath, const std::string& FileName);

  // The object that Section describes, with its process options set.
  TMainObject* CreateObject();
  void WriteObjectHeader(TMainObject* Obj);
  void LoadChildren(TMainList* List);
  void SaveChildren(TMainList* List);

  std::string Section;
  std::string FileName;
  bool FromResource = false;
  bool WriteMode = false;
  TMainScene* MainScene = nullptr;
  bool Scrambled = false;

 private:
  // The raw value: nothing when absent.
  std::optional<std::string> RawValue(const std::string& Key) const;
  void Parse(std::span<const uint8_t> Bytes);

  std::unique_ptr<TIniDocument> FIni;
  size_t FObjectsCreated = 0;
};

}  // namespace emberhall
