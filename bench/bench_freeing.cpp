// Throughput of the freeing worker against the plain cost of committing and touching a block.
int main()
{
    return 0;
}
