// Singly linked list of text lines: how every linkerkit program reads its
// input files and builds multi-line output.
#pragma once

struct ListMember {
  char *data;
  int number;
  ListMember *next;
};

ListMember *AddListMember(int number);
void ClearList(ListMember *list);
void ConnectList(ListMember *first, ListMember *second);
ListMember *CopyList(ListMember *tail, ListMember *source);
void ChangeMember(ListMember *list, int a, int b);
char **ConvertListToPointer(ListMember *list);  // caller free()s each text and the array
int CountList(ListMember *list);
ListMember *DeleteMember(ListMember *list, int k);
void DeleteLastData(ListMember *list);
ListMember *MakeList(const char *path);
void PrintList(ListMember *list);
int CompareData(const void *a, const void *b);  // a, b point to char*
int CompareData_(const void *a, const void *b);
void SortList(ListMember *list, int flag);
void ShuffleList(ListMember *list, int seed, int swaps);
ListMember *WriteList(ListMember *tail, const char *text);
void WriteListToFile(ListMember *list, const char *path, int append);
