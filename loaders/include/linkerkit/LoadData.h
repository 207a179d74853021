// Readers for protein structure and alignment files. Each Get function reads
// a whole file and returns a plain record of parallel arrays (malloc-family
// memory, zero-filled, usually one entry more than the count) that belongs to
// the caller until the matching Clear function releases it. The readers print
// nothing and never end the process; null means the file gave no record.
#pragma once

// One-letter code of a three-letter residue name (modified residues map to
// their standard amino acid); X for any name not in the table.
char Conversion(const char *name);

struct PDB {
  double *x;
  double *y;
  double *z;
  double *bfactor;
  char **atom;
  char **residue;
  char *group;
  char *seq;
  int num;
  int *resnum;
};

// Every ATOM record of the first model.
PDB *GetPDB(const char *path);
// The first alpha-carbon ATOM record of each residue of the first model.
PDB *GetPDB_CA(const char *path);
void ClearPDB(PDB *pdb);

// n+1 values, one per line of the file; all zero for the path "NULL" or an
// unreadable file. The caller free()s the array.
double *LoadVelocity(const char *path, int n);

struct MAPSCI {
  char **name;
  int nprot;
  int rows;
  int ncore;
  int ref;
  double *rmsd;
  double *core_rmsd;
  int **core;
  int **pos;
};

MAPSCI *GetMAPSCI(const char *path, const char *ref);
void ClearMAPSCI(MAPSCI *m);

struct ROI {
  int *flag;
  int length;
};

ROI *GetROI(const char *path, const char *key);
void ClearROI(ROI *r);

struct Clustal {
  char **name;
  char **seq;
  int num;
  int length;
};

Clustal *GetClustal(const char *path);
void ClearClustal(Clustal *c);

struct DSSP {
  char *letter_b;
  char *letter_a;
  int *number_a;
  int *number_b;
  int *mark;
  int num;
  double *value_a;
  double *value_b;
  double *value_c;
};

DSSP *GetDSSPFromDetail(const char *path);
void ClearDSSP(DSSP *d);

struct Eigen {
  double **vector;
  double *value;
  int num;
};

// Never null except when memory runs out: a file without vectors gives num 0.
Eigen *GetEigen(const char *path);
void ClearEigen(Eigen *e);
