#include "linkerkit/MakeList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "LineReader.h"
#include "linkerkit/mt19937ar.h"

namespace {

[[noreturn]] void OutOfMemory() {
  std::fputs("cannot make list member..\n", stdout);
  std::fflush(stdout);
  std::exit(1);
}

// Texts are owned by the list and released with free(), so they come from
// the malloc family; running out of memory for one ends the run the same way
// as running out for a member. The structure loaders have a CopyText of their
// own (loaders/reader_support.h) that returns nullptr instead: they are a
// library whose readers never end the process, while the line list keeps the
// documented message and exit of the programs built on it.
char *CopyText(std::string_view text) {
  char *copy = static_cast<char *>(std::malloc(text.size() + 1));
  if (!copy) OutOfMemory();
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

char *CopyText(const char *text) { return CopyText(std::string_view(text ? text : "")); }

ListMember *MemberAt(ListMember *list, int position) {
  for (int i = 0; list && i < position; ++i) list = list->next;
  return list;
}

}  // namespace

ListMember *AddListMember(int number) {
  auto *member = static_cast<ListMember *>(std::calloc(1, sizeof(ListMember)));
  if (!member) OutOfMemory();
  member->number = number;
  return member;
}

void ClearList(ListMember *list) {
  while (list) {
    ListMember *next = list->next;
    std::free(list->data);
    std::free(list);
    list = next;
  }
}

void ConnectList(ListMember *first, ListMember *second) {
  if (!first) return;
  while (first->next) first = first->next;
  first->next = second;
}

ListMember *CopyList(ListMember *tail, ListMember *source) {
  for (; source; source = source->next) tail = WriteList(tail, source->data);
  return tail;
}

void ChangeMember(ListMember *list, int a, int b) {
  if (a == b || a < 0 || b < 0) return;
  ListMember *first = MemberAt(list, a);
  ListMember *second = MemberAt(list, b);
  if (first && second) std::swap(first->data, second->data);
}

char **ConvertListToPointer(ListMember *list) {
  const int count = CountList(list);
  auto **texts = static_cast<char **>(std::calloc(static_cast<std::size_t>(count) + 1, sizeof(char *)));
  if (!texts) OutOfMemory();
  int i = 0;
  for (ListMember *member = list; member; member = member->next) texts[i++] = CopyText(member->data);
  return texts;
}

int CountList(ListMember *list) {
  int count = 0;
  for (; list; list = list->next) ++count;
  return count;
}

ListMember *DeleteMember(ListMember *list, int k) {
  if (!list || k < 0) return list;
  ListMember *removed = nullptr;
  if (k == 0) {
    removed = list;
    list = list->next;
  } else {
    ListMember *before = MemberAt(list, k - 1);
    if (!before || !before->next) return list;
    removed = before->next;
    before->next = removed->next;
  }
  std::free(removed->data);
  std::free(removed);
  int number = 0;
  for (ListMember *member = list; member; member = member->next) member->number = number++;
  return list;
}

void DeleteLastData(ListMember *list) {
  if (!list) return;
  if (!list->next) {
    ClearList(list);
    return;
  }
  while (list->next->next) list = list->next;
  ClearList(list->next);
  list->next = nullptr;
}

ListMember *MakeList(const char *path) {
  linkerkit::LineReader reader(path);
  std::string_view line;
  if (!reader.Next(line)) return nullptr;
  ListMember *first = AddListMember(0);
  ListMember *tail = first;
  tail->data = CopyText(line);
  while (reader.Next(line)) {
    tail->next = AddListMember(tail->number + 1);
    tail = tail->next;
    tail->data = CopyText(line);
  }
  return first;
}

void PrintList(ListMember *list) {
  for (; list; list = list->next) {
    if (!list->data) continue;
    std::fputs(list->data, stdout);
    std::fputc('\n', stdout);
  }
}

int CompareData(const void *a, const void *b) {
  return std::strcmp(*static_cast<char *const *>(a), *static_cast<char *const *>(b));
}

int CompareData_(const void *a, const void *b) { return CompareData(b, a); }

void SortList(ListMember *list, int flag) {
  if (flag != 0 && flag != 1) return;
  std::vector<char *> texts;
  for (ListMember *member = list; member; member = member->next) texts.push_back(member->data);
  std::qsort(texts.data(), texts.size(), sizeof(char *), flag == 0 ? CompareData : CompareData_);
  std::size_t i = 0;
  for (ListMember *member = list; member; member = member->next) member->data = texts[i++];
}

void ShuffleList(ListMember *list, int seed, int swaps) {
  const int count = CountList(list);
  if (count <= 1) return;
  std::vector<char *> texts;
  for (ListMember *member = list; member; member = member->next) texts.push_back(member->data);
  // Widening with the sign keeps the seed's 32-bit pattern: -1 seeds as 4294967295.
  init_genrand(static_cast<unsigned long>(static_cast<long>(seed)));
  for (int swap = 0; swap < swaps; ++swap) {
    const int a = static_cast<int>(genrand_real2() * count);
    const int b = static_cast<int>(genrand_real2() * count);
    std::swap(texts[a], texts[b]);
  }
  std::size_t i = 0;
  for (ListMember *member = list; member; member = member->next) member->data = texts[i++];
}

ListMember *WriteList(ListMember *tail, const char *text) {
  tail->data = CopyText(text);
  tail->next = AddListMember(tail->number + 1);
  return tail->next;
}

void WriteListToFile(ListMember *list, const char *path, int append) {
  std::FILE *file = std::fopen(path, append ? "a" : "w");
  if (!file) {
    std::printf("cannot open %s\n", path);
    return;
  }
  if (list && list->data) {
    for (ListMember *member = list; member && member->data; member = member->next) {
      std::fputs(member->data, file);
      std::fputc('\n', file);
    }
  }
  std::fclose(file);
}
