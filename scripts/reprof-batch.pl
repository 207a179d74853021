#!/usr/bin/perl
# reprof-batch.pl OUTDIR: runs reprof on each FASTA file named on standard
# input, writing OUTDIR/NAME.reprof. The same predictions as the reprof
# command; only its networks are loaded once instead of once per protein,
# which is most of its time on a short protein.
use strict;
use warnings;
use File::Basename;
use RG::Reprof;
use AI::FANN;

my $out_dir = shift or die "usage: reprof-batch.pl OUTDIR < fasta-list\n";
my %networks;
my $load = \&AI::FANN::new_from_file;
{
    no warnings 'redefine';
    *AI::FANN::new_from_file = sub {
        my ($class, $file) = @_;
        $networks{$file} //= $load->($class, $file);
    };
}
my $reprof = RG::Reprof::Reprof->new(model_dir => "/usr/share/reprof");
while (my $fasta = <STDIN>) {
    chomp $fasta;
    my $name = basename($fasta, ".fa");
    my $temporary = "$out_dir/$name.reprof.tmp";
    $reprof->run(input_file => $fasta, out_file => $temporary);
    rename $temporary, "$out_dir/$name.reprof" or die "cannot write $out_dir/$name.reprof\n";
}
